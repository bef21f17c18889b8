#include "SchemaValidator.h"

#include <QProcess>
#include <QProcessEnvironment>

namespace SchemaValidator {
namespace {
QString run(const QString& program, const QStringList& arguments, const QProcessEnvironment& environment,
            int* code)
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

} // namespace

QString problems(const QStringList& files)
{
    // Installed by the tests' npm fixture.
    const QString prefix = QStringLiteral(BRIVOLINE_NPM_DIR);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("NODE_PATH"), prefix + QStringLiteral("node_modules"));
    int code = 0;
    const QString out =
        run(QStringLiteral("node"),
            QStringList{QStringLiteral(BRIVOLINE_SOURCE_DIR "tests/fhir/validate_bundles.js")} + files,
            environment, &code);
    return code == 0 ? QString() : out;
}
} // namespace SchemaValidator
