#pragma once

// Whether the application starts when the user logs in. Main thread; each call is a quick file
// operation. Failures answer false and are the caller's to ignore.
class LoginItem {
public:
    virtual ~LoginItem() = default;
    virtual bool registerItem() = 0;
    virtual bool unregisterItem() = 0;
    virtual bool isRegistered() const = 0;
};
