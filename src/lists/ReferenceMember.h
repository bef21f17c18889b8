#pragma once

#include "DatasetTableModel.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

class Dataset;
class TDataModule1;

// The five shared reference lists. Each kind has its list window
// (TReferenceList) and entry window (TEnterReference): the same two
// classes, set by what the kind's ReferenceMember describes.
enum class ReferenceKind
{
    Doctor,
    Pharmacy,
    Drug,
    Vaccine,
    Illness
};

// One entry field, in input order.
struct ReferenceField
{
    QString caption; // also its accessible name and the field's label in messages
    QString field;
    bool multiLine = false;
    // A pick list opened under the field by its button or the Enter key:
    // either a user's list (a COMBOITEMS column, sorted, with an empty
    // entry, edited by a double-click under `editorTitle`) or fixed entries
    // offered in their order.
    QString pickColumn = {};
    QString editorTitle = {};
    QStringList fixedEntries = {};
    QString pickButton = {}; // object name of the pick button
    QString pickHint = {};

    bool hasPickList() const { return !pickColumn.isEmpty() || !fixedEntries.isEmpty(); }
};

struct ReferenceMember
{
    Dataset& (*dataset)(TDataModule1& dm);
    QString listName; // the windows' object names
    QString entryName;
    QString listTitle;  // with the design's two leading blanks
    QString entryTitle; // likewise
    QList<GridColumn> columns;
    QList<ReferenceField> fields;
    QString requiredField; // the entry cannot be confirmed while it is empty
    QString deleteQuestion;
    // Values a new row starts with: a Yes/No column holds no, never nothing.
    QList<QPair<QString, QVariant>> newRowValues;
};

namespace ReferenceMembers {
const ReferenceMember& of(ReferenceKind kind);
// A name or title made only of blanks names nothing.
bool isFilled(const QString& requiredText);
} // namespace ReferenceMembers
