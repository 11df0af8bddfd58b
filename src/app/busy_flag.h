// The program-wide busy flag: set for the length of every long or modal operation (opening,
// saving, playing, recording, closing, effects, the command handler). A second copy's request
// is refused while it is set. Call only from the GUI thread.
#pragma once

namespace sonthra {

class BusyFlag {
public:
    bool isSet() const { return m_set; }
    void set() { m_set = true; }
    void clear() { m_set = false; }

private:
    bool m_set = false;
};

// Sets the flag for a scope and clears it on the way out, also on an early return.
class BusyScope {
public:
    explicit BusyScope(BusyFlag& flag) : m_flag(flag) { m_flag.set(); }
    ~BusyScope() { m_flag.clear(); }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    BusyFlag& m_flag;
};

}  // namespace sonthra
