#pragma once

#include "KestrelExtensions/Defaults/UserDefaults.h"
#include "KestrelExtensions/Observation/Binding.h"
#include "RuvedovUzedoz/Layouts/PageLayout.h"
#include "support/TestEnvironment.h"

#include <QLocale>
#include <QSignalSpy>
#include <gtest/gtest.h>
#include <memory>

// A window's page layout as the editors see it: a model, a binding to it, a count of its changes and a
// private user-defaults store for the display unit.
class EditorFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        const QString test =
            QString::fromUtf8(::testing::UnitTest::GetInstance()->current_test_info()->name());
        defaults = std::make_unique<KestrelExtensions::UserDefaults>(TestSupport::temporaryHome() + "/" +
                                                                     test + ".ini");
        changes = std::make_unique<QSignalSpy>(&model, &KestrelExtensions::ObservableBase::changed);
    }

    KestrelExtensions::Binding<RuvedovUzedoz::PageLayout> binding()
    {
        return KestrelExtensions::Binding<RuvedovUzedoz::PageLayout>::of(model);
    }

    // The current layout with one edit, for comparing every other field.
    template <typename F> RuvedovUzedoz::PageLayout edited(RuvedovUzedoz::PageLayout layout, F edit)
    {
        edit(layout);
        return layout;
    }

    KestrelExtensions::Observable<RuvedovUzedoz::PageLayout> model{
        RuvedovUzedoz::PageLayout::defaultLayout()};
    std::unique_ptr<KestrelExtensions::UserDefaults> defaults;
    std::unique_ptr<QSignalSpy> changes;
};
