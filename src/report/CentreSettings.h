#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

namespace hra::store {
class Connection;
}

namespace hra::report {

// The centre's name and address as the report prints them, and where it lies,
// which the calibrated risk equation needs (jkpg_pgzx).
struct Centre
{
    QString name;
    QString address;
    QString region; // "北方" or "南方" (of the Yangtze); empty when not set
    QString area;   // "城市" or "农村"; empty when not set
};

// The texts region and area may hold, in the order the dialog offers them.
const QStringList& centreRegions();
const QStringList& centreAreas();

// The first centre row; NULL columns and an empty table give empty text.
Centre loadCentre(const store::Connection& connection);

enum class CentreSave
{
    Saved,
    EmptyName,     // "单位名称不能为空！": nothing written
    UnknownRegion, // neither 北方, 南方 nor empty: nothing written
    UnknownArea,   // neither 城市, 农村 nor empty: nothing written
};

// Stores the trimmed name and address (an empty address as empty text), the
// region and the area (empty as NULL) in the centre row, inserting the row
// when the table has none, and the name in every sys_information row, in one
// transaction. Throws store::DatabaseError.
CentreSave saveCentre(const store::Connection& connection, const Centre& centre);

// The stored cover (sys_bgfm.beijtp) as stored; empty when there is none.
std::optional<QByteArray> loadCover(const store::Connection& connection);

// Replaces the stored cover by these JPEG bytes: the delete and the insert
// run in one transaction, so a failed insert keeps the old cover and the
// table holds one row (tup_id 1) after every save. Throws store::DatabaseError.
void saveCover(const store::Connection& connection, const QByteArray& jpeg);

} // namespace hra::report
