// Eviction for the toolkit's small bounded caches: maps whose entries remember their last use.
#pragma once

namespace UIE {

// Erases the entry used longest ago (`second.lastUse` smallest); on a tie, the first in key order.
template <typename Map>
void EraseLeastRecentlyUsed(Map& entries) {
    auto oldest = entries.begin();
    for (auto it = entries.begin(); it != entries.end(); ++it) {
        if (it->second.lastUse < oldest->second.lastUse)
            oldest = it;
    }
    if (oldest != entries.end())
        entries.erase(oldest);
}

}  // namespace UIE
