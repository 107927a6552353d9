// The pair of named events through which a test holds a process inside its admitted run.
#pragma once

#include <windows.h>

#include <string>

class HoldEvents {
public:
    explicit HoldEvents(const std::string &name)
        : name_(name),
          entered_(CreateEventA(nullptr, TRUE, FALSE, (name + "-entered").c_str())),
          release_(CreateEventA(nullptr, TRUE, FALSE, (name + "-release").c_str())) {}
    ~HoldEvents() {
        release();
        CloseHandle(entered_);
        CloseHandle(release_);
    }
    HoldEvents(const HoldEvents &) = delete;
    HoldEvents &operator=(const HoldEvents &) = delete;

    const std::string &name() const { return name_; }
    bool waitEntered(DWORD timeoutMs) const { return WaitForSingleObject(entered_, timeoutMs) == WAIT_OBJECT_0; }
    void release() const { SetEvent(release_); }

private:
    std::string name_;
    HANDLE entered_;
    HANDLE release_;
};
