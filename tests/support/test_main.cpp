// Every test program runs with a QApplication on the offscreen platform, so
// window tests need no display.
#include "MenuAccessibility.h"
#include "NextModal.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // No scanner unless a test configures one: the machine's own scanner
    // settings would make every scanner probe look for network devices.
    QTemporaryDir noScanner;
    if (qEnvironmentVariableIsEmpty("SANE_CONFIG_DIR")) {
        QFile(noScanner.filePath(QStringLiteral("dll.conf"))).open(QIODevice::WriteOnly);
        qputenv("SANE_CONFIG_DIR", QFile::encodeName(noScanner.path()));
    }
    MenuAccessibility::install();
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    NextModal::failTestsLeftWaiting();
    return RUN_ALL_TESTS();
}
