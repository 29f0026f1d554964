#pragma once
// An ordered list of byte strings with checked indexing: reading outside the
// list raises EListError "List index out of bounds (N)".

#include "platform/exception.h"

#include <string>
#include <vector>

class TStringList {
public:
    int Count() const { return static_cast<int>(items_.size()); }
    bool Empty() const { return items_.empty(); }
    void Add(std::string s) { items_.push_back(std::move(s)); }
    void Clear() { items_.clear(); }

    const std::string& operator[](int index) const
    {
        if (index < 0 || index >= Count())
            throw EListError("List index out of bounds (" + std::to_string(index) + ")");
        return items_[static_cast<std::size_t>(index)];
    }

    // Replaces the contents with the text lines of a file (LF or CR LF ends).
    // EFileError when the file cannot be opened.
    void LoadFromFile(const std::string& path);

    const std::vector<std::string>& Items() const { return items_; }
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }
    bool operator==(const TStringList&) const = default;

private:
    std::vector<std::string> items_;
};

// The list type of the message record's header lists.
using TExStringList = TStringList;
