#include "KestrelExtensions/Coding/JsonData.h"
#include "KestrelExtensions/Tree/TreeItem.h"
#include "Thrown.h"

#include <gtest/gtest.h>

using namespace KestrelExtensions;

namespace {

using Item = TreeItem<QString>;

// A chain of `length` items below a root valued 0; the tip carries `length`.
std::pair<TreeItem<int>::Pointer, TreeItem<int>::Pointer> chain(int length)
{
    auto root = TreeItem<int>::make(0);
    auto tip = root;
    for (int i = 1; i <= length; ++i) {
        auto next = TreeItem<int>::make(i);
        tip->insert({next});
        tip = next;
    }
    return {root, tip};
}

QStringList objects(const std::vector<Item::Pointer>& items)
{
    QStringList result;
    for (const auto& item : items)
        result.append(item->object());
    return result;
}

// Root with A (with child A1) and B.
struct SmallTree {
    Item::Pointer root = Item::make("Root"), a = Item::make("A"), a1 = Item::make("A1"), b = Item::make("B");
    SmallTree()
    {
        a->insert({a1});
        root->insert({a, b});
    }
};

} // namespace

TEST(TreeItem, WalksInPreOrderSearchesBelowOnlyAndInsertsAtAnIndexOrAppends)
{
    SmallTree tree;
    EXPECT_EQ(objects(tree.root->descendants()), (QStringList{"A", "A1", "B"}));
    EXPECT_EQ(tree.root->search("A1"), tree.a1);
    EXPECT_EQ(tree.root->search("Root"), nullptr);
    EXPECT_EQ(tree.a1->depth(), 2);
    EXPECT_EQ(tree.root->description(), "<TreeItem Root 0>");
    EXPECT_EQ(tree.a1->description(), "<TreeItem A1 2>");
    EXPECT_EQ(TreeItem<int>::make(7)->description(), "<TreeItem 7 0>");

    const std::pair<std::optional<size_t>, QStringList> rows[] = {
        {0, {"X", "Y", "C"}}, {10, {"C", "X", "Y"}}, {std::nullopt, {"C", "X", "Y"}}};
    for (const auto& [index, expected] : rows) {
        auto item = Item::make("N");
        item->insertObjects({"C"});
        item->insertObjects({"X", "Y"}, index);
        EXPECT_EQ(objects(item->children()), expected);
        EXPECT_EQ(item->children()[0]->parent(), item);
    }
    // An item carrying the receiver's value is added below it without a parent link.
    auto parent = Item::make("N");
    auto twin = Item::make("N");
    parent->insert({twin});
    EXPECT_EQ(parent->children().back(), twin);
    EXPECT_EQ(twin->parent(), nullptr);
}

TEST(TreeItem, RefusesInsertionsThatWouldMakeACycleAndRemoveClearsOnlyTheRemovedChildsLink)
{
    SmallTree tree;
    tree.a1->insert({tree.a1});
    tree.a1->insert({tree.root});
    tree.a1->insert({tree.a});
    EXPECT_TRUE(tree.a1->isLeaf());

    // Reachable through a child added without a parent link (equal values) is still refused.
    auto twin = Item::make("Root");
    tree.root->insert({twin});
    twin->insert({tree.root});
    EXPECT_TRUE(twin->isLeaf());
    EXPECT_EQ(tree.root->descendants().size(), 4u);

    // An item held by two parents: its parent link names only the later one, yet below either it is
    // refused the other.
    auto shared = Item::make("Shared");
    auto first = Item::make("First");
    auto second = Item::make("Second");
    first->insert({shared});
    second->insert({shared});
    ASSERT_EQ(shared->parent(), second);
    shared->insert({first});
    shared->insert({second});
    EXPECT_TRUE(shared->isLeaf());
    // Once removed from one of them, it may hold that one, however far the walk below that one goes.
    first->remove({shared});
    first->insertObjects({"F1", "F2", "F3"});
    shared->insert({first});
    EXPECT_EQ(objects(shared->children()), QStringList{"First"});

    SmallTree pruned;
    auto lookalike = Item::make("A");
    auto elsewhere = Item::make("Elsewhere");
    elsewhere->insert({lookalike});
    pruned.root->remove({lookalike, Item::make("not a child")});
    EXPECT_EQ(objects(pruned.root->children()), QStringList{"B"});
    EXPECT_EQ(pruned.a->parent(), nullptr);
    EXPECT_EQ(pruned.a->depth(), 0);
    EXPECT_EQ(lookalike->parent(), elsewhere) << "another tree's link is not cut";
    EXPECT_EQ(pruned.a1->parent(), pruned.a) << "the removed subtree stays whole";

    // A child inserted twice and removed once is still a child, and keeps its link.
    pruned.root->insert({pruned.b});
    pruned.root->remove({pruned.b});
    EXPECT_EQ(pruned.b->parent(), pruned.root);

    // An item held elsewhere outlives its freed tree whole; parent links do not own.
    const Item::Pointer kept = SmallTree().a;
    EXPECT_EQ(kept->parent(), nullptr);
    EXPECT_EQ(objects(kept->descendants()), QStringList{"A1"});
}

TEST(TreeItem, CodesOnlyObjectAndChildrenAndRelinksOnDecode)
{
    SmallTree tree;
    const QJsonValue json = tree.root->toJson();
    const QJsonObject object = json.toObject();
    EXPECT_EQ(object.keys(), (QStringList{"children", "object"}));
    EXPECT_EQ(object["children"].toArray()[0].toObject().keys(), (QStringList{"children", "object"}));

    const auto decoded = Item::fromJson(jsonValue(jsonData(json)));
    EXPECT_EQ(decoded->object(), "Root");
    EXPECT_EQ(decoded->parent(), nullptr);
    EXPECT_EQ(objects(decoded->descendants()), (QStringList{"A", "A1", "B"}));
    EXPECT_EQ(decoded->search("A1")->depth(), 2);
    const auto decodedLeaf = decoded->search("A1");
    decodedLeaf->insert({decoded});
    EXPECT_TRUE(decodedLeaf->isLeaf()) << "decoded links refuse cycles too";

    const std::pair<const char*, DecodingError::Kind> bad[] = {
        {R"({"object": "x"})", DecodingError::Kind::KeyNotFound},
        {R"({"children": []})", DecodingError::Kind::KeyNotFound},
        {R"({"object": 1, "children": []})", DecodingError::Kind::TypeMismatch},
        {R"({"object": "x", "children": [{"object": "y", "children": {}}]})",
         DecodingError::Kind::TypeMismatch},
        {R"([])", DecodingError::Kind::TypeMismatch},
    };
    for (const auto& [text, kind] : bad)
        EXPECT_EQ(thrown<DecodingError>([&] { Item::fromJson(jsonValue(text)); }).kind(), kind) << text;
    EXPECT_EQ(thrown<DecodingError>([&] { Item::fromJson(jsonValue(bad[3].first)); }).codingPath(),
              (QStringList{"children", "Index 0", "children"}));
    EXPECT_EQ(TreeItem<int>::fromJson(TreeItem<int>::make(5)->toJson())->object(), 5);
}

TEST(TreeItem, DeepChainsAreReleasedAndRefusedByTheCoderWithoutCrashing)
{
    {
        const auto [root, tip] = chain(200000);
        EXPECT_EQ(root->descendants().size(), 200000u);
        EXPECT_EQ(tip->depth(), 200000);
        EXPECT_THROW(root->toJson(), EncodingError);
    }
    // The deepest tree the coder takes (512 levels below the root), and one level more.
    const auto [deepest, bottom] = chain(TreeItem<int>::maximumCodedDepth);
    ASSERT_EQ(bottom->depth(), 512);
    const QJsonValue coded = deepest->toJson();
    EXPECT_EQ(TreeItem<int>::fromJson(coded)->descendants().size(), size_t(TreeItem<int>::maximumCodedDepth));
    bottom->insert({TreeItem<int>::make(-1)});
    EXPECT_THROW(deepest->toJson(), EncodingError);
}
