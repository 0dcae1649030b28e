// CList: a doubly linked list of object pointers with a cursor for iteration; an owning list
// deletes its objects with itself. Each node also carries two numbers given on insertion.
#pragma once

#include <cstdint>

namespace qv {

template <class T>
struct CListNode {
    T* object = nullptr;
    CListNode* previous = nullptr;
    CListNode* next = nullptr;
    std::int32_t number1 = 0;
    std::int32_t number2 = 0;
};

template <class T>
class CList {
public:
    explicit CList(bool ownsItems = true) : ownsItems_(ownsItems) {}
    CList(const CList&) = delete;
    CList& operator=(const CList&) = delete;
    ~CList() { clear(); }

    // Appends the object at the tail and returns its node.
    CListNode<T>* append(T* object, std::int32_t number1 = 0, std::int32_t number2 = 0) {
        auto* node = new CListNode<T>{object, tail_, nullptr, number1, number2};
        if (tail_) {
            tail_->next = node;
        } else {
            head_ = node;
        }
        tail_ = node;
        ++count_;
        if (cursor_ == &restart_) restart_.next = head_;
        return node;
    }

    // The object at index (0 is the head), or null when the index is out of range.
    T* getItem(std::uint32_t index) const {
        if (index >= count_) return nullptr;
        CListNode<T>* node = head_;
        for (std::uint32_t i = 0; i < index; ++i) node = node->next;
        return node->object;
    }

    // Iteration through the list's cursor: first() starts at the head, next() steps on; both
    // return null past the end.
    T* first() {
        cursor_ = head_;
        return cursor_ ? cursor_->object : nullptr;
    }
    T* next() {
        if (cursor_) cursor_ = cursor_->next;
        return cursor_ ? cursor_->object : nullptr;
    }

    std::uint32_t count() const { return count_; }
    CListNode<T>* head() const { return head_; }
    CListNode<T>* tail() const { return tail_; }
    // The node next() stepped to last, or null.
    CListNode<T>* cursor() const { return cursor_ == &restart_ ? nullptr : cursor_; }
    bool ownsItems() const { return ownsItems_; }

    // Unlinks the first node holding object and hands the object back to the caller, who owns
    // it from then on. Returns false when the object is not in the list. When the cursor stood
    // on that node it steps back to the previous one, so that a loop of first()/next() that
    // removes its current object goes on with the following one.
    bool remove(T* object) {
        for (CListNode<T>* node = head_; node; node = node->next) {
            if (node->object != object) continue;
            if (cursor_ == node) cursor_ = node->previous ? node->previous : &restart_;
            (node->previous ? node->previous->next : head_) = node->next;
            (node->next ? node->next->previous : tail_) = node->previous;
            if (cursor_ == &restart_) restart_.next = head_;
            delete node;
            --count_;
            return true;
        }
        return false;
    }

    // Deletes every node and, when the list owns its items, every object.
    void clear() {
        CListNode<T>* node = head_;
        head_ = tail_ = cursor_ = nullptr;
        count_ = 0;
        while (node) {
            CListNode<T>* following = node->next;
            if (ownsItems_) delete node->object;
            delete node;
            node = following;
        }
    }

private:
    CListNode<T>* head_ = nullptr;
    CListNode<T>* tail_ = nullptr;
    CListNode<T>* cursor_ = nullptr;
    CListNode<T> restart_;  // cursor position "before the head" after removing the head
    std::uint32_t count_ = 0;
    bool ownsItems_ = true;
};

}  // namespace qv
