// Not called by the application: kept as a library service for other users.
#pragma once

#include "Describe.h"
#include "KestrelExtensions/Coding/JsonCoding.h"

#include <QJsonArray>
#include <QJsonObject>
#include <algorithm>
#include <compare>
#include <memory>
#include <optional>
#include <unordered_set>
#include <vector>

namespace KestrelExtensions {

// A node of a tree carrying one value. Children are owned through `children`; the parent link does not
// own, so a tree is freed as soon as its root is let go, and a lone item held elsewhere does not keep
// its ancestors alive. Items are only made through `make`, which hands out shared pointers.
//
// Links change only through insert and remove, which keep the tree free of cycles: an item is never
// inserted below itself. Equality and ordering go by the carried value.
template <std::equality_comparable T> class TreeItem : public std::enable_shared_from_this<TreeItem<T>> {
    struct Token {};

public:
    using Pointer = std::shared_ptr<TreeItem>;

    // Nesting deeper than this is refused when encoding, as readers refuse it when decoding.
    static constexpr int maximumCodedDepth = 512;

    TreeItem(Token, T object) : m_object(std::move(object)) {}
    static Pointer make(T object) { return std::make_shared<TreeItem>(Token{}, std::move(object)); }

    TreeItem(const TreeItem&) = delete;
    TreeItem& operator=(const TreeItem&) = delete;

    // Released without recursion, so a very deep chain of children cannot exhaust the stack.
    ~TreeItem()
    {
        std::vector<Pointer> pending = std::move(m_children);
        while (!pending.empty()) {
            Pointer item = std::move(pending.back());
            pending.pop_back();
            if (item.use_count() == 1) {
                for (Pointer& child : item->m_children)
                    pending.push_back(std::move(child));
                item->m_children.clear();
            }
        }
    }

    const T& object() const { return m_object; }
    void setObject(T object) { m_object = std::move(object); }
    Pointer parent() const { return m_parent.lock(); }
    const std::vector<Pointer>& children() const { return m_children; }

    // The number of ancestors; 0 for a root.
    int depth() const
    {
        int count = 0;
        for (Pointer ancestor = parent(); ancestor; ancestor = ancestor->parent())
            ++count;
        return count;
    }

    bool isLeaf() const { return m_children.empty(); }

    // Every item below this one in pre-order, without the item itself.
    std::vector<Pointer> descendants() const
    {
        std::vector<Pointer> result;
        std::vector<const Pointer*> stack;
        for (auto it = m_children.rbegin(); it != m_children.rend(); ++it)
            stack.push_back(&*it);
        while (!stack.empty()) {
            const Pointer& item = *stack.back();
            stack.pop_back();
            result.push_back(item);
            for (auto it = item->m_children.rbegin(); it != item->m_children.rend(); ++it)
                stack.push_back(&*it);
        }
        return result;
    }

    // The first descendant (in pre-order) carrying `object`; never this item itself.
    Pointer search(const T& object) const
    {
        for (const Pointer& item : descendants()) {
            if (item->m_object == object)
                return item;
        }
        return nullptr;
    }

    // Adds `items` as children, in order: appended, or from `index` on (past the end appends). Each takes
    // this item as parent unless it carries a value equal to this item's, in which case its parent link
    // is left as it was. An item is not taken out of another item's children. An item that this one
    // already lies below (the item itself, an ancestor, or anything this item is reachable from) would
    // make a cycle: it is skipped.
    void insert(const std::vector<Pointer>& items, std::optional<size_t> index = std::nullopt)
    {
        size_t position = index.value_or(0);
        for (const Pointer& item : items) {
            if (!item || liesBelow(item.get()))
                continue;
            if (!(item->m_object == m_object))
                item->m_parent = this->weak_from_this();
            item->m_holders.push_back(this->weak_from_this());
            if (!index) {
                m_children.push_back(item);
            } else {
                m_children.insert(m_children.begin() + std::ptrdiff_t(std::min(position, m_children.size())),
                                  item);
                ++position;
            }
        }
    }

    // Wraps each value in a new item, then inserts them as above.
    void insertObjects(const std::vector<T>& objects, std::optional<size_t> index = std::nullopt)
    {
        std::vector<Pointer> items;
        items.reserve(objects.size());
        for (const T& object : objects)
            items.push_back(make(object));
        insert(items, index);
    }

    // For each given item, removes the first child carrying an equal value. The child actually removed
    // loses its link to this item (unless it is still a child here); the given item is left alone when
    // it is another object. Items matching no child are ignored.
    void remove(const std::vector<Pointer>& items)
    {
        for (const Pointer& item : items) {
            if (!item)
                continue;
            const auto found = std::find_if(m_children.begin(), m_children.end(), [&](const Pointer& child) {
                return child->m_object == item->m_object;
            });
            if (found == m_children.end())
                continue;
            Pointer removed = *found;
            m_children.erase(found);
            const auto holder =
                std::find_if(removed->m_holders.begin(), removed->m_holders.end(),
                             [this](const std::weak_ptr<TreeItem>& h) { return h.lock().get() == this; });
            if (holder != removed->m_holders.end())
                removed->m_holders.erase(holder);
            const bool stillChild =
                std::find(m_children.begin(), m_children.end(), removed) != m_children.end();
            if (!stillChild && removed->parent().get() == this)
                removed->m_parent.reset();
        }
    }

    bool operator==(const TreeItem& other) const { return m_object == other.m_object; }
    auto operator<=>(const TreeItem& other) const requires std::totally_ordered<T>
    {
        if (m_object < other.m_object)
            return std::weak_ordering::less;
        if (other.m_object < m_object)
            return std::weak_ordering::greater;
        return std::weak_ordering::equivalent;
    }

    // "<TreeItem " + the value's text + " " + depth + ">".
    QString description() const
    {
        return QStringLiteral("<TreeItem %1 %2>").arg(describe(m_object)).arg(depth());
    }

    // {"object": …, "children": […]}; the parent link is never coded.
    QJsonValue toJson() const { return encode(0, {}); }

    // Both keys are required; unknown keys are ignored. Decoded children take the decoded item as parent.
    static Pointer fromJson(const QJsonValue& json) { return decode(json, {}, 0); }

private:
    // True when `item` is this item or lies above it, so that inserting it here would make a cycle. Two
    // walks answer that: up from this item through every item holding it, and down through `item`'s
    // subtree. They take turns and the first to finish decides, so the cost is the shorter walk's and a
    // tree built from the root down or from the leaves up stays linear.
    bool liesBelow(const TreeItem* item) const
    {
        Walk up(this);
        Walk down(item);
        for (;;) {
            const TreeItem* above = up.next();
            if (!above || above == item)
                return above != nullptr;
            for (const std::weak_ptr<TreeItem>& holder : above->m_holders)
                up.add(holder.lock().get());
            const TreeItem* below = down.next();
            if (!below || below == this)
                return below != nullptr;
            for (const Pointer& child : below->m_children)
                down.add(child.get());
        }
    }

    // Items still to visit, each once.
    class Walk {
    public:
        explicit Walk(const TreeItem* start) { add(start); }
        void add(const TreeItem* item)
        {
            if (item && m_seen.insert(item).second)
                m_pending.push_back(item);
        }
        // The next item, or null when every one has been visited.
        const TreeItem* next()
        {
            if (m_pending.empty())
                return nullptr;
            const TreeItem* item = m_pending.back();
            m_pending.pop_back();
            return item;
        }

    private:
        std::vector<const TreeItem*> m_pending;
        std::unordered_set<const TreeItem*> m_seen;
    };

    QJsonValue encode(int depth, const QStringList& path) const
    {
        if (depth > maximumCodedDepth)
            throw EncodingError(path, QStringLiteral("The tree is nested too deeply to encode."));
        QJsonArray children;
        QStringList childPath = path + QStringList{QStringLiteral("children")};
        for (size_t i = 0; i < m_children.size(); ++i)
            children.append(
                m_children[i]->encode(depth + 1, childPath + QStringList{QStringLiteral("Index %1").arg(i)}));
        return QJsonObject{{QStringLiteral("object"),
                            JsonCoding<T>::encode(m_object, path + QStringList{QStringLiteral("object")})},
                           {QStringLiteral("children"), children}};
    }

    static Pointer decode(const QJsonValue& json, const QStringList& path, int depth)
    {
        if (depth > maximumCodedDepth)
            throw DecodingError::dataCorrupted(path,
                                               QStringLiteral("The tree is nested too deeply to decode."));
        const JsonObjectReader reader = JsonObjectReader::from(json, path);
        Pointer item = make(JsonCoding<T>::decode(reader.value(QStringLiteral("object")),
                                                  reader.pathTo(QStringLiteral("object"))));
        const QJsonArray children = reader.array(QStringLiteral("children"));
        const QStringList childPath = reader.pathTo(QStringLiteral("children"));
        item->m_children.reserve(size_t(children.size()));
        for (qsizetype i = 0; i < children.size(); ++i) {
            Pointer child =
                decode(children.at(i), childPath + QStringList{QStringLiteral("Index %1").arg(i)}, depth + 1);
            child->m_parent = item;
            child->m_holders.push_back(item);
            item->m_children.push_back(std::move(child));
        }
        return item;
    }

    T m_object;
    std::weak_ptr<TreeItem> m_parent;
    std::vector<Pointer> m_children;
    // One entry for each place this item sits in another's children. The parent link alone does not
    // tell: an item may sit under several items, and one carrying its parent's value keeps an old link.
    std::vector<std::weak_ptr<TreeItem>> m_holders;
};

} // namespace KestrelExtensions
