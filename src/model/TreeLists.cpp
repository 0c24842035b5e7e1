#include "TreeLists.h"

namespace {

// True when node is this node or one of its ancestors: linking it below this node would make a cycle that
// no longer hangs from any root.
bool IsSelfOrAncestor(const TLinkNode* node, const TLinkNode* of)
{
    // A node out of any tree and without children is nobody's ancestor: mapping a large page back puts
    // tens of thousands of such nodes in and out, and climbing from each place to the root would cost a
    // miss of the cache at every level.
    if (!node->Parent() && !node->FirstChild())
        return node == of;
    for (const TLinkNode* p = of; p; p = p->Parent())
        if (p == node)
            return true;
    return false;
}

} // namespace

TLinkNode::~TLinkNode()
{
    Clear();
}

void TLinkNode::Add(TLinkNode* node)
{
    node->FParent = this;
    node->FPrev = FLast;
    node->FNext = nullptr;
    if (FLast)
        FLast->FNext = node;
    else
        FFirst = node;
    FLast = node;
    ++FCount;
}

void TLinkNode::AddFirst(TLinkNode* node)
{
    node->FParent = this;
    node->FPrev = nullptr;
    node->FNext = FFirst;
    if (FFirst)
        FFirst->FPrev = node;
    else
        FLast = node;
    FFirst = node;
    ++FCount;
}

void TLinkNode::AddBefore(TLinkNode* node)
{
    TLinkNode* parent = FParent;
    node->FParent = parent;
    node->FNext = this;
    node->FPrev = FPrev;
    if (FPrev)
        FPrev->FNext = node;
    else
        parent->FFirst = node;
    FPrev = node;
    ++parent->FCount;
}

bool TLinkNode::AppendChild(TLinkNode* node)
{
    if (!node || IsSelfOrAncestor(node, this))
        return false;
    if (node->FParent)
        node->FParent->Remove(node);
    Add(node);
    return true;
}

bool TLinkNode::PrependChild(TLinkNode* node)
{
    if (!node || IsSelfOrAncestor(node, this))
        return false;
    if (node->FParent)
        node->FParent->Remove(node);
    AddFirst(node);
    return true;
}

bool TLinkNode::InsertBefore(TLinkNode* node)
{
    if (!node || node == this || !FParent || IsSelfOrAncestor(node, FParent))
        return false;
    if (node->FParent)
        node->FParent->Remove(node);
    AddBefore(node);
    return true;
}

bool TLinkNode::Remove(TLinkNode* child)
{
    if (!child || child->FParent != this)
        return false;
    if (child->FPrev)
        child->FPrev->FNext = child->FNext;
    else
        FFirst = child->FNext;
    if (child->FNext)
        child->FNext->FPrev = child->FPrev;
    else
        FLast = child->FPrev;
    --FCount;
    child->FParent = nullptr;
    child->FPrev = nullptr;
    child->FNext = nullptr;
    return true;
}

void TLinkNode::Clear()
{
    // The doomed nodes form one chain; a node's children are spliced in right after it before the node is
    // deleted, so every delete meets a node without children and no destructor recurses.
    TLinkNode* node = FFirst;
    FFirst = nullptr;
    FLast = nullptr;
    FCount = 0;
    while (node) {
        if (node->FFirst) {
            node->FLast->FNext = node->FNext;
            node->FNext = node->FFirst;
            node->FFirst = nullptr;
            node->FLast = nullptr;
            node->FCount = 0;
        }
        TLinkNode* next = node->FNext;
        node->FParent = nullptr;
        node->FPrev = nullptr;
        node->FNext = nullptr;
        delete node;
        node = next;
    }
}

TLinkNode* TLinkNode::GetNextNode(const TLinkNode* node) const
{
    if (!node || node == this)
        return FFirst;
    if (node->FFirst)
        return node->FFirst;
    if (node->FNext)
        return node->FNext;
    if (node == FLast)
        return nullptr;
    for (const TLinkNode* p = node->FParent; p && p != this; p = p->FParent)
        if (p->FNext)
            return p->FNext;
    return nullptr;
}
