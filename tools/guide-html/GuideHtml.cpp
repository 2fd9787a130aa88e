// Turns the user guide, kept as Markdown text in the repository, into the
// HTML page the program ships: hra-guide-html GUIDE.md OUT.html. Pictures
// named ../images/x.png are taken from images/x.png beside the page.
#include <QFile>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QTextDocument>
#include <cstdio>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    const QStringList args = QGuiApplication::arguments();
    if (args.size() != 3) {
        std::fputs("usage: hra-guide-html GUIDE.md OUT.html\n", stderr);
        return 2;
    }
    QFile in(args.at(1));
    if (!in.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(args.at(1)));
        return 1;
    }
    QString markdown = QString::fromUtf8(in.readAll());
    markdown.replace(QStringLiteral("](../images/"), QStringLiteral("](images/"));

    QTextDocument document;
    document.setMarkdown(markdown);
    QString html = document.toHtml();
    // A readable column in any browser, pictures no wider than the window.
    const QString style =
        QStringLiteral("<title>健康风险评估管理系统 使用指南</title>\n"
                       "<style>body { max-width: 60em; margin: 1em auto; padding: 0 1em; "
                       "font-family: 'Noto Sans CJK SC', sans-serif; line-height: 1.6; } "
                       "img { max-width: 100%; height: auto; border: 1px solid #ccc; } "
                       "table { border-collapse: collapse; }</style>\n");
    // The editor's own body font (9 points, "Sans Serif") would win over the style.
    html.replace(QRegularExpression(QStringLiteral("<body style=\"[^\"]*\">")),
                 QStringLiteral("<body>"));
    const qsizetype head = html.indexOf(QStringLiteral("</head>"));
    if (head >= 0)
        html.insert(head, style);

    QFile out(args.at(2));
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(html.toUtf8()) < 0) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(args.at(2)));
        return 1;
    }
    return 0;
}
