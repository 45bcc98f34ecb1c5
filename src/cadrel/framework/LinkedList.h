// A circular doubly linked list with a sentinel and a single cursor (one walk at a time).
#pragma once

class ListNode {
public:
    explicit ListNode(int key = 0) : key_(key) {}
    ListNode(const ListNode&) = delete;
    ListNode& operator=(const ListNode&) = delete;
    virtual ~ListNode() = default;

    int Key() const { return key_; }

protected:
    // For a node whose key is known only after its base was built (a radio group's first button).
    void SetKey(int key) { key_ = key; }

private:
    friend class LinkedList;
    int key_;
    ListNode* next_ = this;
    ListNode* previous_ = this;
};

class LinkedList {
public:
    LinkedList();
    LinkedList(const LinkedList&) = delete;
    LinkedList& operator=(const LinkedList&) = delete;
    // Deletes every node still linked, through its virtual destructor.
    virtual ~LinkedList();

    void Rewind();
    int Next();
    int Find(int key);
    int InsertUnique(ListNode* node);
    ListNode* RemoveCurrent();
    // The node under the cursor; null when the cursor stands on the sentinel.
    ListNode* Current() const { return cursor_ == &sentinel_ ? nullptr : cursor_; }

    static constexpr int SentinelKey = -999999;

private:
    ListNode sentinel_{SentinelKey};
    ListNode* cursor_ = &sentinel_;
};
