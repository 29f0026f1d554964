#pragma once
// Components and their event slots. An event slot is a std::function that is
// raised only when assigned; an unassigned slot is simply skipped.

#include <functional>
#include <string>

class TComponent {
public:
    TComponent() = default;
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;
    virtual ~TComponent() = default;
};

using TNotifyEvent = std::function<void(TComponent* Sender)>;
// Handled is false on entry; the handler sets it to say it repaired the situation.
using THandlerEvent = std::function<void(bool& Handled)>;
using TVarFileNameEvent = std::function<void(std::string& FileName)>;
using TListEvent = std::function<void(int Msg, int Size)>;
using TOnStatus = std::function<void(TComponent* Sender, const std::string& Status)>;
using TOnHostResolved = std::function<void(TComponent* Sender)>;

// Raise an event slot when it is assigned.
template <typename Slot, typename... Args>
void Raise(const Slot& slot, Args&&... args)
{
    if (slot)
        slot(std::forward<Args>(args)...);
}
