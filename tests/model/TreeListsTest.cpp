#include "TreeLists.h"
#include "SmallStack.h"

#include <gtest/gtest.h>

#include <QThread>
#include <functional>

#include <QRandomGenerator>
#include <map>
#include <set>
#include <vector>

namespace {

// A node that counts the live instances, so tests see what destruction really frees.
class TCountedNode : public TLinkNode
{
public:
    explicit TCountedNode(int tag = 0) : Tag(tag) { ++Live; }
    ~TCountedNode() override { --Live; }
    int Tag;
    static inline int Live = 0;
};

// Checks every link invariant of the subtree below node: the child count matches the chain, sibling links
// are mutual, first and last child agree with the chain, every child names node as its parent, and no node
// is reached twice. Iterative, so it also checks very deep trees.
void CheckLinks(const TLinkNode* top)
{
    std::set<const TLinkNode*> seen;
    std::vector<const TLinkNode*> pending{top};
    while (!pending.empty()) {
        const TLinkNode* node = pending.back();
        pending.pop_back();
        ASSERT_TRUE(seen.insert(node).second) << "node reached twice";
        ASSERT_EQ(node->FirstChild() == nullptr, node->LastChild() == nullptr);
        int count = 0;
        const TLinkNode* prev = nullptr;
        for (const TLinkNode* c = node->FirstChild(); c; c = c->NextSibling()) {
            ASSERT_EQ(c->Parent(), node);
            ASSERT_EQ(c->PrevSibling(), prev);
            prev = c;
            ++count;
            pending.push_back(c);
        }
        ASSERT_EQ(node->LastChild(), prev);
        ASSERT_EQ(node->ChildCount(), count);
    }
}

// The pre-order of the subtree below top (top excluded), computed independently of GetNextNode.
std::vector<const TLinkNode*> PreOrder(const TLinkNode* top)
{
    std::vector<const TLinkNode*> out;
    std::vector<const TLinkNode*> pending;
    for (const TLinkNode* c = top->LastChild(); c; c = c->PrevSibling())
        pending.push_back(c);
    while (!pending.empty()) {
        const TLinkNode* node = pending.back();
        pending.pop_back();
        out.push_back(node);
        for (const TLinkNode* c = node->LastChild(); c; c = c->PrevSibling())
            pending.push_back(c);
    }
    return out;
}

std::vector<const TLinkNode*> Walk(const TLinkNode* top)
{
    std::vector<const TLinkNode*> out;
    for (const TLinkNode* n = top->GetNextNode(nullptr); n; n = top->GetNextNode(n))
        out.push_back(n);
    return out;
}

std::vector<int> Tags(const TLinkNode* parent)
{
    std::vector<int> out;
    for (const TLinkNode* c = parent->FirstChild(); c; c = c->NextSibling())
        out.push_back(static_cast<const TCountedNode*>(c)->Tag);
    return out;
}

TEST(TreeLists, LinkingOperationsPlaceAndDetachNodes)
{
    TCountedNode root;
    auto* a = new TCountedNode(1);
    auto* b = new TCountedNode(2);
    auto* c = new TCountedNode(3);
    root.Add(a);
    root.Add(b);
    root.AddFirst(c);
    EXPECT_EQ(Tags(&root), (std::vector<int>{3, 1, 2}));
    EXPECT_TRUE(a->AppendChild(c)); // moves c from root into a
    EXPECT_EQ(Tags(&root), (std::vector<int>{1, 2}));
    EXPECT_EQ(Tags(a), (std::vector<int>{3}));
    EXPECT_TRUE(a->InsertBefore(b)); // b before a, under a's parent
    EXPECT_EQ(Tags(&root), (std::vector<int>{2, 1}));
    EXPECT_TRUE(c->InsertBefore(b)); // b moves into a, before c
    EXPECT_EQ(Tags(a), (std::vector<int>{2, 3}));
    EXPECT_TRUE(root.PrependChild(c));
    EXPECT_EQ(Tags(&root), (std::vector<int>{3, 1}));
    CheckLinks(&root);
    auto* d = new TCountedNode(4);
    auto* e = new TCountedNode(5);
    c->AddBefore(d); // before the first child
    a->AddBefore(e); // between two children
    EXPECT_EQ(Tags(&root), (std::vector<int>{4, 3, 5, 1}));
    CheckLinks(&root);
    root.Remove(d);
    root.Remove(e);
    delete d;
    delete e;

    EXPECT_FALSE(root.Remove(b)); // not a child of root
    EXPECT_TRUE(a->Remove(b));
    EXPECT_EQ(b->Parent(), nullptr);
    EXPECT_EQ(b->NextSibling(), nullptr);
    EXPECT_FALSE(a->Remove(b));
    EXPECT_FALSE(root.AppendChild(nullptr));
    EXPECT_FALSE(a->AppendChild(a));
    EXPECT_FALSE(a->InsertBefore(a));
    EXPECT_FALSE(b->InsertBefore(c)); // b has no parent
    CheckLinks(&root);
    delete b;
}

TEST(TreeLists, NoNodeCanBeLinkedBelowItself)
{
    TCountedNode root;
    auto* a = new TCountedNode(1);
    auto* b = new TCountedNode(2);
    auto* c = new TCountedNode(3);
    root.Add(a);
    a->Add(b);
    b->Add(c);
    EXPECT_FALSE(c->AppendChild(a));
    EXPECT_FALSE(b->PrependChild(a));
    EXPECT_FALSE(c->InsertBefore(b)); // b would go below itself
    EXPECT_FALSE(c->InsertBefore(a));
    EXPECT_EQ(PreOrder(&root), (std::vector<const TLinkNode*>{a, b, c}));
    CheckLinks(&root);
}

TEST(TreeLists, RandomLinkingKeepsTheInvariantsAndMatchesAModel)
{
    QRandomGenerator random(1234);
    TCountedNode root(-1);
    std::vector<TCountedNode*> nodes;
    const int n = 60;
    for (int i = 0; i < n; ++i) {
        nodes.push_back(new TCountedNode(i));
        root.Add(nodes.back());
    }
    // The model: each node's ordered children by tag; -1 is the root, -2 marks a node out of the tree.
    std::map<int, std::vector<int>> children;
    std::map<int, int> parent;
    for (int i = 0; i < n; ++i) {
        children[-1].push_back(i);
        parent[i] = -1;
    }
    auto isAncestorOrSelf = [&](int anc, int of) {
        for (int p = of; p != -1 && p != -2; p = parent[p])
            if (p == anc)
                return true;
        return false;
    };
    auto detach = [&](int x) {
        if (parent[x] == -2)
            return;
        auto& v = children[parent[x]];
        v.erase(std::find(v.begin(), v.end(), x));
        parent[x] = -2;
    };
    auto node = [&](int x) -> TLinkNode* { return x == -1 ? static_cast<TLinkNode*>(&root) : nodes[size_t(x)]; };

    for (int step = 0; step < 4000; ++step) {
        const int op = int(random.bounded(4));
        const int x = int(random.bounded(n));
        const int y = int(random.bounded(n + 1)) - 1; // -1 is the root
        bool expected = false;
        bool result = false;
        switch (op) {
        case 0:
        case 1: // append / prepend x below y
            expected = !isAncestorOrSelf(x, y);
            result = op == 0 ? node(y)->AppendChild(nodes[size_t(x)]) : node(y)->PrependChild(nodes[size_t(x)]);
            if (expected) {
                detach(x);
                auto& v = children[y];
                v.insert(op == 0 ? v.end() : v.begin(), x);
                parent[x] = y;
            }
            break;
        case 2: // insert x before y
            if (y < 0)
                continue;
            expected = parent[y] != -2 && x != y && !isAncestorOrSelf(x, parent[y]);
            result = nodes[size_t(y)]->InsertBefore(nodes[size_t(x)]);
            if (expected) {
                detach(x);
                const int p = parent[y];
                auto& v = children[p];
                v.insert(std::find(v.begin(), v.end(), y), x);
                parent[x] = p;
            }
            break;
        case 3: // remove x from y
            expected = parent[x] == y && y != -2;
            result = node(y)->Remove(nodes[size_t(x)]);
            if (expected)
                detach(x);
            break;
        }
        ASSERT_EQ(result, expected) << "step " << step << " op " << op;
        if (step % 50 == 0) {
            CheckLinks(&root);
            for (int i = -1; i < n; ++i)
                ASSERT_EQ(Tags(node(i)), children[i]) << "step " << step << " node " << i;
        }
    }
    CheckLinks(&root);
    // Nodes left outside the tree are freed by hand; the rest go with the root.
    for (int i = 0; i < n; ++i)
        if (parent[i] == -2)
            delete nodes[size_t(i)];
}

TEST(TreeLists, PreOrderWalkStaysInsideItsSubtree)
{
    TCountedNode root;
    auto* element = new TCountedNode(1);
    auto* after = new TCountedNode(2);
    root.Add(element);
    root.Add(after);
    TLinkNode* deepest = element;
    for (int i = 0; i < 4; ++i) {
        auto* child = new TCountedNode(10 + i);
        deepest->Add(child);
        deepest->Add(new TCountedNode(20 + i));
        deepest = child;
    }
    auto* leaf = new TCountedNode(99);
    deepest->Add(leaf);
    std::vector<const TLinkNode*> walk = Walk(element);
    EXPECT_EQ(walk, PreOrder(element));
    EXPECT_EQ(walk.size(), 9u);
    EXPECT_EQ(walk.back(), element->LastChild()); // the shallow last child comes after the deep branch
    EXPECT_EQ(element->GetNextNode(walk.back()), nullptr); // never reaches the element's sibling
    // From the deepest leaf the walk climbs to the nearest ancestor with a following sibling.
    EXPECT_EQ(static_cast<const TCountedNode*>(element->GetNextNode(leaf))->Tag, 23);
    EXPECT_EQ(Walk(&root), PreOrder(&root));
    EXPECT_EQ(after->GetNextNode(nullptr), nullptr);
    EXPECT_EQ(after->GetNextNode(after), nullptr); // a childless walk root ends at once
}

TEST(TreeLists, ClearAndDestructionFreeWholeSubtrees)
{
    TCountedNode::Live = 0;
    {
        TCountedNode root;
        for (int i = 0; i < 5; ++i) {
            auto* child = new TCountedNode(i);
            root.Add(child);
            for (int j = 0; j < 3; ++j)
                child->Add(new TCountedNode(j));
        }
        EXPECT_EQ(TCountedNode::Live, 21);
        auto* first = root.FirstChild();
        root.Remove(first);
        root.Clear();
        EXPECT_EQ(root.ChildCount(), 0);
        EXPECT_EQ(root.FirstChild(), nullptr);
        EXPECT_EQ(TCountedNode::Live, 5); // root and the removed subtree
        root.Add(first);
    }
    EXPECT_EQ(TCountedNode::Live, 0);
}

TEST(TreeLists, HundredThousandNestedNodesAreWalkedAndDestroyedWithoutRecursion)
{
    TCountedNode::Live = 0;
    const int depth = 100000;
    int walked = 0;
    RunWithSmallStack([&] {
        auto* root = new TCountedNode(-1);
        TLinkNode* last = root;
        for (int i = 0; i < depth; ++i) {
            auto* child = new TCountedNode(i);
            last->Add(child);
            last = child;
        }
        for (const TLinkNode* n = root->GetNextNode(nullptr); n; n = root->GetNextNode(n))
            ++walked;
        delete root;
    });
    EXPECT_EQ(walked, depth);
    EXPECT_EQ(TCountedNode::Live, 0);
}

} // namespace
