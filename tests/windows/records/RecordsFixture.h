#pragma once

#include "domain/SessionState.h"
#include "support/TestDatabase.h"
#include "ui/PromptService.h"
#include "windows/records/Context.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace hra::test {

// A fresh initialised database of the backend under test, a folder for
// picture files and the context the person-record windows run in.
class RecordsFixture : public ::testing::TestWithParam<store::Driver>
{
protected:
    void SetUp() override;

    // Inserts a person (and, with assessment > 0, an assessment with a row in
    // each of the five section tables).
    void addPerson(const QString& number, const QString& name, const QString& sex,
                   int assessment = 0);
    // The stored person, or an empty map.
    QVariantMap person(const QString& number) const;
    // How many rows of the table carry the record number.
    int rowsWithNumber(const QString& table, const QString& number) const;
    // Writes a small picture file and returns its path.
    QString pictureFile(const QString& fileName, Qt::GlobalColor color = Qt::red) const;

    std::unique_ptr<TestDatabase> database;
    std::unique_ptr<store::Connection> conn;
    QTemporaryDir files;
    domain::SessionState session;
    ui::ScriptedPromptService prompts;
    std::unique_ptr<records::Context> context;
    int questionnaireOpened = 0;
};

// The tables that carry a record number.
inline const QStringList sevenTables{"jkpg_mqzk", "jkpg_ssyy", "jkpg_ydfs", "jkpg_shfs",
                                     "jkpg_tgjc", "jkpg_id",   "jkpg_jbxx"};

} // namespace hra::test
