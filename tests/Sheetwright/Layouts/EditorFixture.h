#pragma once

#include "KestrelExtensions/Defaults/UserDefaults.h"
#include "KestrelExtensions/Observation/Binding.h"
#include "RuvedovUzedoz/Layouts/PageLayout.h"
#include "Sheetwright/Layouts/LayoutManager.h"
#include "support/LogCapture.h"
#include "support/TestEnvironment.h"

#include <QCheckBox>
#include <QComboBox>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QLocale>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>
#include <ostream>

// Readable QString (and so QStringList) and layout values in failure messages.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}
namespace RuvedovUzedoz {
inline void PrintTo(const PageLayout& layout, std::ostream* out)
{
    *out << QJsonDocument(layout.toJson().toObject()).toJson(QJsonDocument::Compact).toStdString();
}
} // namespace RuvedovUzedoz

// A folder of the running test's own, so the tests also pass when run in one process.
inline QString testFolder()
{
    return TestSupport::temporaryHome() + "/" +
           QString::fromUtf8(::testing::UnitTest::GetInstance()->current_test_info()->name());
}

// A page layout as the editors see it, with a count of its changes, private defaults and layouts folder.
class EditorFixture : public ::testing::Test {
protected:
    EditorFixture() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    KestrelExtensions::Binding<RuvedovUzedoz::PageLayout> binding()
    {
        return KestrelExtensions::Binding<RuvedovUzedoz::PageLayout>::of(model);
    }

    // The default layout with one edit, for comparing every other field.
    template <typename F> static RuvedovUzedoz::PageLayout edited(F edit)
    {
        RuvedovUzedoz::PageLayout layout = RuvedovUzedoz::PageLayout::defaultLayout();
        edit(layout);
        return layout;
    }

    KestrelExtensions::Observable<RuvedovUzedoz::PageLayout> model{
        RuvedovUzedoz::PageLayout::defaultLayout()};
    KestrelExtensions::UserDefaults defaults{testFolder() + ".ini"};
    QSignalSpy changes{&model, &KestrelExtensions::ObservableBase::changed};
    Sheetwright::LayoutManager manager{testFolder() + "/Layouts"};
};
