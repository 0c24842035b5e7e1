#pragma once
// A generic linked tree: every node knows its parent, its siblings and its first and last child, and owns
// its children. Destroying a node destroys its whole subtree (without recursion, so trees of any depth are
// safe) but does not unlink the node from its parent: remove a node that is still a child before deleting
// it, unless its parent is being destroyed or cleared at the same time.
//
// Invariants: ChildCount() equals the length of the chain FirstChild() .. LastChild(); sibling links are
// mutual; FirstChild() and LastChild() are null together; a node has at most one parent.

class TLinkNode
{
public:
    TLinkNode() = default;
    virtual ~TLinkNode();
    TLinkNode(const TLinkNode&) = delete;
    TLinkNode& operator=(const TLinkNode&) = delete;

    int ChildCount() const { return FCount; }
    TLinkNode* Parent() const { return FParent; }
    TLinkNode* PrevSibling() const { return FPrev; }
    TLinkNode* NextSibling() const { return FNext; }
    TLinkNode* FirstChild() const { return FFirst; }
    TLinkNode* LastChild() const { return FLast; }

    // Appends / prepends a node that has no parent (callers keep that precondition).
    void Add(TLinkNode* node);
    void AddFirst(TLinkNode* node);
    // Links a node that has no parent right before this node, which has one (callers keep both).
    void AddBefore(TLinkNode* node);
    // Detaches node from its current parent and appends / prepends it here. False, doing nothing, when
    // node is null, this node itself or one of its ancestors (which would cut a cycle out of the tree).
    bool AppendChild(TLinkNode* node);
    bool PrependChild(TLinkNode* node);
    // This node is the reference sibling and must have a parent: detaches node from its current parent and
    // links it immediately before this node. False, doing nothing, when node is null, this node itself or
    // one of its ancestors.
    bool InsertBefore(TLinkNode* node);
    // Unlinks child (not destroying it). False when child is not a child of this node.
    bool Remove(TLinkNode* child);
    // Destroys every child with its subtree.
    void Clear();
    // The pre-order successor of node inside this node's subtree (this node excluded); node null starts the
    // walk at the first child. Null at the end of the subtree, whatever follows this node.
    TLinkNode* GetNextNode(const TLinkNode* node) const;

private:
    int FCount = 0;
    TLinkNode* FParent = nullptr;
    TLinkNode* FPrev = nullptr;
    TLinkNode* FNext = nullptr;
    TLinkNode* FFirst = nullptr;
    TLinkNode* FLast = nullptr;
};
