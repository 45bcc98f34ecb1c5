#include "framework/LinkedList.h"

LinkedList::LinkedList() = default;

LinkedList::~LinkedList()
{
    Rewind();
    while (ListNode* node = RemoveCurrent())
        delete node;
}

void LinkedList::Rewind()
{
    cursor_ = sentinel_.next_;
}

int LinkedList::Next()
{
    if (cursor_->next_ == &sentinel_)
        return 0;
    cursor_ = cursor_->next_;
    return 1;
}

int LinkedList::Find(int key)
{
    Rewind();
    if (cursor_ == &sentinel_)
        return 0;
    do {
        if (cursor_->key_ == key)
            return 1;
    } while (Next());
    return 0;
}

int LinkedList::InsertUnique(ListNode* node)
{
    if (Find(node->key_))
        return 0;
    node->next_ = &sentinel_;
    node->previous_ = sentinel_.previous_;
    sentinel_.previous_->next_ = node;
    sentinel_.previous_ = node;
    return 1;
}

ListNode* LinkedList::RemoveCurrent()
{
    if (cursor_ == &sentinel_)
        return nullptr;
    ListNode* node = cursor_;
    node->previous_->next_ = node->next_;
    node->next_->previous_ = node->previous_;
    cursor_ = node->next_;
    node->next_ = node->previous_ = node;
    return node;
}
