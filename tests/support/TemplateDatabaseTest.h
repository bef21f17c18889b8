#pragma once

#include "Connection.h"
#include "SqlRows.h"
#include "TestFolders.h"

#include <gtest/gtest.h>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

// A fresh copy of the built template, opened on the program's shared connection.
class TemplateDatabaseTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_config.databaseFolder = m_scratch.path();
        TestFolders::copyTemplate(m_config.databaseFile());
        Connection::open(m_config);
        ASSERT_TRUE(Connection::isOpen());
    }
    void TearDown() override { Connection::close(); }

    // Plain SQLite on the same file, for arranging rows and checking what was stored.
    static qint64 exec(const QString& sql, const QVariantList& values = {})
    {
        return SqlRows::exec(sql, values).toLongLong();
    }
    static QVariant scalar(const QString& sql)
    {
        QSqlQuery q(Connection::database());
        EXPECT_TRUE(q.exec(sql)) << sql.toStdString() << ": " << q.lastError().text().toStdString();
        return q.next() ? q.value(0) : QVariant();
    }
    static int count(const QString& table, const QString& where = {})
    {
        return scalar(QStringLiteral("SELECT count(*) FROM %1 %2").arg(table, where)).toInt();
    }

    TestFolders::Scratch m_scratch;
    DbConfig m_config;
};
