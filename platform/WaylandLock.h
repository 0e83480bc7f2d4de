#pragma once

#include <optional>

// Whether a lock screen of the kind that holds the compositor's input inhibitor is up: swaylock
// and its kin on wlroots compositors without ext-session-lock, whose lock surfaces are ordinary
// overlay surfaces that the compositor stacks by age, not above ours. Asked on a connection of
// its own, since the compositor answers a second inhibitor with an error that ends the
// connection; when none is held, ours is let go again as soon as the compositor has granted it.
// Nothing when the compositor has no inhibitor (it keeps lock screens on top itself), cannot be
// reached or does not answer in time.
std::optional<bool> InputInhibitorHeld();

// Holds the saver's claim on one compositor for as long as it lives, so that an idle daemon
// that fires again (after activity the settings ignore) does not stack a second saver on the
// first. An advisory lock on a file in $XDG_RUNTIME_DIR named after the compositor's socket.
class SaverClaim {
public:
    // The claim, or nothing when another saver holds it. Without a runtime folder there is
    // nothing to claim with, and the claim is granted.
    static std::optional<SaverClaim> Take();
    SaverClaim(SaverClaim&& other) noexcept : m_fd(other.m_fd) { other.m_fd = -1; }
    SaverClaim& operator=(SaverClaim&& other) noexcept;
    SaverClaim(const SaverClaim&) = delete;
    SaverClaim& operator=(const SaverClaim&) = delete;
    ~SaverClaim();

private:
    explicit SaverClaim(int fd) : m_fd(fd) {}
    int m_fd = -1;
};
