#include "report/Jpeg.h"

#include "reportengine/pictures/PictureDecode.h"

#include <QFile>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <jpeglib.h>

namespace hra::report {

namespace {

// libjpeg reports errors by calling error_exit, which by default ends the
// process; ours jumps back to the caller with the message.
struct ErrorManager
{
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void errorExit(j_common_ptr info)
{
    auto* err = reinterpret_cast<ErrorManager*>(info->err);
    (*info->err->format_message)(info, err->message);
    std::longjmp(err->jump, 1);
}

void quiet(j_common_ptr, int) {}

jpeg_error_mgr* errorsOf(ErrorManager& err)
{
    jpeg_std_error(&err.pub);
    err.pub.error_exit = errorExit;
    err.pub.emit_message = quiet;
    err.message[0] = 0;
    return &err.pub;
}

void setFailure(QString* error, const char* message)
{
    if (error)
        *error = QString::fromLocal8Bit(message);
}

// Only plain C data lives in the functions that use setjmp.
bool encode(const QImage& rgb, unsigned char** buffer, unsigned long* size, char* message)
{
    jpeg_compress_struct info;
    ErrorManager err;
    info.err = errorsOf(err);
    if (setjmp(err.jump)) {
        jpeg_destroy_compress(&info);
        std::snprintf(message, JMSG_LENGTH_MAX, "%s", err.message);
        return false;
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, buffer, size);
    info.image_width = JDIMENSION(rgb.width());
    info.image_height = JDIMENSION(rgb.height());
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        // libjpeg does not write through the row pointer.
        auto row = const_cast<JSAMPROW>(rgb.constScanLine(int(info.next_scanline)));
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return true;
}

} // namespace

bool looksLikeJpeg(const QByteArray& data)
{
    return data.size() > 3 && uchar(data[0]) == 0xFF && uchar(data[1]) == 0xD8 &&
           uchar(data[2]) == 0xFF;
}

QImage decodeJpeg(const QByteArray& data, QString* error)
{
    if (!looksLikeJpeg(data)) {
        reportengine::DecodedPicture refused;
        refused.problem = reportengine::DecodedPicture::Problem::Unreadable;
        if (error)
            *error = refused.message();
        return {};
    }
    reportengine::DecodedPicture picture = reportengine::decodePicture(data);
    if (!picture.ok()) {
        if (error)
            *error = picture.message();
        return {};
    }
    return std::move(picture.image);
}

QByteArray encodeJpeg(const QImage& image, QString* error)
{
    if (image.isNull()) {
        setFailure(error, "no picture");
        return {};
    }
    // Transparent parts go onto white, as on paper.
    QImage rgb(image.size(), QImage::Format_RGB888);
    const QImage source = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (rgb.isNull() || source.isNull()) {
        setFailure(error, "out of memory for the picture");
        return {};
    }
    rgb.fill(Qt::white);
    {
        for (int y = 0; y < rgb.height(); ++y) {
            const auto* in = reinterpret_cast<const QRgb*>(source.constScanLine(y));
            uchar* out = rgb.scanLine(y);
            for (int x = 0; x < rgb.width(); ++x) {
                const QRgb p = in[x];
                const int a = qAlpha(p);
                out[3 * x] = uchar(qRed(p) + 255 - a);
                out[3 * x + 1] = uchar(qGreen(p) + 255 - a);
                out[3 * x + 2] = uchar(qBlue(p) + 255 - a);
            }
        }
    }
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    char message[JMSG_LENGTH_MAX] = {};
    const bool ok = encode(rgb, &buffer, &size, message);
    QByteArray out;
    if (ok)
        out = QByteArray(reinterpret_cast<const char*>(buffer), qsizetype(size));
    std::free(buffer);
    if (!ok)
        setFailure(error, message);
    return out;
}

QByteArray jpegFromFile(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return {};
    }
    const QByteArray data = file.readAll();
    const reportengine::DecodedPicture picture = reportengine::decodePicture(data);
    if (!picture.ok()) {
        if (error)
            *error = picture.message();
        return {};
    }
    return looksLikeJpeg(data) ? data : encodeJpeg(picture.image, error);
}

} // namespace hra::report
