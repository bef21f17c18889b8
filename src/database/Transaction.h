#pragma once

#include <QString>

// One transaction for a change of several rows: begun at construction,
// committed by commit(), rolled back when it goes out of scope uncommitted
// (an exception on the way). A transaction opened while another is running
// on the same connection joins it: only the outermost one commits.
class Transaction
{
public:
    // On the program's connection, or on the Qt SQL connection of that name.
    // Throws DatabaseError when the database refuses to begin.
    explicit Transaction(const QString& connectionName = {});
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    void commit(); // throws DatabaseError; the changes are then rolled back

    static bool isRunning(const QString& connectionName = {});

private:
    QString m_connectionName;
    bool m_outermost = false;
    bool m_done = false;
};
