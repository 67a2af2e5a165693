#include "TestEnvironment.h"

#include <QDir>
#include <gtest/gtest.h>

#ifdef SHEETWRIGHT_TEST_WIDGETS
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#endif

int main(int argc, char** argv)
{
    TestSupport::isolateEnvironment();
    ::testing::InitGoogleTest(&argc, argv);
    int result = 0;
    {
        TestApplication app(argc, argv);
        TestApplication::setOrganizationName(QStringLiteral("Sheetwright Tests"));
        TestApplication::setApplicationName(QStringLiteral("Sheetwright"));
        result = RUN_ALL_TESTS();
    }
    QDir(TestSupport::temporaryHome()).removeRecursively();
    return result;
}
