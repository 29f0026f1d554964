#pragma once
// An ordered list of byte strings with checked indexing: reading outside the
// list raises EListError "List index out of bounds (N)".
//
// Copies share their lines until one of them changes (copy on write): a
// message's Body taken over from its RawLines costs no second copy of a
// 50 MB body.

#include "platform/exception.h"

#include <memory>
#include <string>
#include <vector>

class TStringList {
public:
    int Count() const { return static_cast<int>(Items().size()); }
    bool Empty() const { return Items().empty(); }
    void Add(std::string s) { Mutable().push_back(std::move(s)); }
    void Clear() { items_.reset(); }

    const std::string& operator[](int index) const
    {
        if (index < 0 || index >= Count())
            throw EListError("List index out of bounds (" + std::to_string(index) + ")");
        return Items()[static_cast<std::size_t>(index)];
    }

    const std::vector<std::string>& Items() const { return items_ ? *items_ : NoLines(); }
    auto begin() const { return Items().begin(); }
    auto end() const { return Items().end(); }
    bool operator==(const TStringList& other) const { return Items() == other.Items(); }

private:
    std::shared_ptr<std::vector<std::string>> items_;  // null: no lines

    static const std::vector<std::string>& NoLines()
    {
        static const std::vector<std::string> none;
        return none;
    }
    std::vector<std::string>& Mutable()
    {
        if (!items_)
            items_ = std::make_shared<std::vector<std::string>>();
        else if (items_.use_count() > 1)
            items_ = std::make_shared<std::vector<std::string>>(*items_);
        return *items_;
    }
};

// The list type of the message record's header lists.
using TExStringList = TStringList;
