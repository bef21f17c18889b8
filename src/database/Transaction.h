#pragma once

#include <QString>

// One transaction on the program's connection for a change of several rows:
// begun at construction, committed by commit(), rolled back when it goes out
// of scope uncommitted (an exception on the way). A transaction opened while
// another is running joins it: only the outermost one commits.
class Transaction
{
public:
    Transaction(); // throws DatabaseError when the database refuses to begin
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    void commit(); // throws DatabaseError; the changes are then rolled back

    static bool isRunning();

private:
    bool m_outermost = false;
    bool m_done = false;
};
