#pragma once
// The table of live dispatchers. A dispatcher takes the first empty slot (or a
// new one at the end) when it is made and gives it back when destroyed; the
// slot number travels in the upper 16 bits of every event's second parameter,
// so the GUI-thread side can tell which dispatcher an event came from.
//
// Each port component (serial/port_component.h) owns one table, a member of
// its own, and hands it to the dispatcher it starts at every open; its event
// endpoint looks the slot up there and drops an event of any dispatcher that
// is not its current one. A dispatcher made without a table takes slot 0 and
// is listed nowhere. All members are thread-safe; a pointer returned by
// find() stays valid only as long as its dispatcher, which the GUI thread
// destroys, so use it on the GUI thread.
#include <mutex>
#include <vector>

namespace vos::serial {

class TSerialBaseDispatcher;

class DispatcherTable {
public:
    int add(TSerialBaseDispatcher* d);
    void remove(int slot);
    TSerialBaseDispatcher* find(int slot) const;
    int size() const;

private:
    mutable std::mutex m_;
    std::vector<TSerialBaseDispatcher*> slots_;
};

}  // namespace vos::serial
