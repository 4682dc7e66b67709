#include "serial/core/dispatcher_table.h"

#include <algorithm>

namespace vos::serial {

int DispatcherTable::add(TSerialBaseDispatcher* d) {
    std::lock_guard lk(m_);
    auto it = std::find(slots_.begin(), slots_.end(), nullptr);
    if (it != slots_.end()) {
        *it = d;
        return static_cast<int>(it - slots_.begin());
    }
    slots_.push_back(d);
    return static_cast<int>(slots_.size() - 1);
}

void DispatcherTable::remove(int slot) {
    std::lock_guard lk(m_);
    if (slot < 0 || slot >= static_cast<int>(slots_.size())) return;
    slots_[static_cast<std::size_t>(slot)] = nullptr;
    while (!slots_.empty() && slots_.back() == nullptr) slots_.pop_back();
}

TSerialBaseDispatcher* DispatcherTable::find(int slot) const {
    std::lock_guard lk(m_);
    if (slot < 0 || slot >= static_cast<int>(slots_.size())) return nullptr;
    return slots_[static_cast<std::size_t>(slot)];
}

int DispatcherTable::size() const {
    std::lock_guard lk(m_);
    return static_cast<int>(slots_.size());
}

}  // namespace vos::serial
