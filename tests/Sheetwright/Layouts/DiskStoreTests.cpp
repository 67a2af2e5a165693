#include "RuvedovUzedoz/Layouts/PageLayout.h"
#include "Sheetwright/Layouts/DiskStore.h"
#include "support/TestEnvironment.h"

#include <QFile>
#include <QPointer>
#include <gtest/gtest.h>

using RuvedovUzedoz::PageLayout;
using Store = Sheetwright::DiskStore<PageLayout>;

TEST(DiskStore, HoldsItsValueFileCodersAndTimerAndWritesNothingByItself)
{
    const QString url = TestSupport::temporaryHome() + "/layout.json";
    QPointer<QTimer> timer;
    {
        const Store store(std::make_shared<Store::Box>(url, PageLayout{}));
        Store::Box& box = store.box();
        EXPECT_EQ(box.url(), url);
        EXPECT_EQ(box.timer(), nullptr);

        std::vector<std::pair<qint64, qint64>> changes;
        QObject context;
        box.value().onChange(&context, [&changes](const PageLayout& old, const PageLayout& now) {
            changes.emplace_back(old.rows, now.rows);
        });
        box.value().modify([](PageLayout& layout) { layout.rows = 5; });
        box.value().set(box.value().get());
        EXPECT_EQ(changes, (std::vector<std::pair<qint64, qint64>>{{2, 5}}))
            << "only a real change is announced";

        // The box's own coders round-trip its value through its file.
        box.encoder().encodeToFile(box.value().get(), box.url());
        EXPECT_EQ(box.decoder().decodeFromFile<PageLayout>(box.url()), box.value().get());
        EXPECT_EQ(box.decoder().decode<PageLayout>(box.encoder().encode(box.value().get())).rows, 5);
        ASSERT_TRUE(QFile::remove(url));

        box.setTimer(std::make_unique<QTimer>());
        timer = box.timer();
        ASSERT_TRUE(timer);
        box.value().modify([](PageLayout& layout) { layout.columns = 7; });
    }
    EXPECT_FALSE(timer) << "the timer goes with the box";
    EXPECT_FALSE(QFile::exists(url)) << "nothing is written on release";
}
