#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// The compositor's word that the user has been idle for a given time, and that they came back:
// ext-idle-notify-v1 where the compositor offers it, KDE's older org_kde_kwin_idle otherwise
// (KWin, sway 1.7). A connection of its own, kept for as long as the watch runs. Both protocols
// honour the compositor's idle inhibitors (a video player that keeps the screen on).
class WaylandIdle {
public:
    // Watches for timeoutMs of idleness on the first seat. Null when there is no compositor
    // (the reason in strError) or it offers neither protocol (strError empty). withheld: names
    // of interfaces to treat as missing.
    static std::unique_ptr<WaylandIdle> Connect(uint32_t timeoutMs,
                                                std::function<void(bool bIdle)> notify,
                                                const std::vector<std::string>& withheld,
                                                std::string& strError);
    ~WaylandIdle();
    WaylandIdle(const WaylandIdle&) = delete;
    WaylandIdle& operator=(const WaylandIdle&) = delete;

    // The protocol in use, by its interface name.
    const char* Protocol() const;
    // The connection's socket, readable when the compositor has sent something.
    int FileDescriptor() const;
    // Reads and handles what the compositor sent. False when the connection is gone.
    bool ProcessEvents();

    struct Impl;

private:
    explicit WaylandIdle(std::unique_ptr<Impl> pImpl);
    std::unique_ptr<Impl> m_pImpl;
};
