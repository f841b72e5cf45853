#pragma once

// Whether the application starts when the user logs in. Main thread; each call is a quick file
// operation. Failures answer false and are the caller's to ignore.
//
// Two ways to register: registerItem() is the user's explicit turn-on and always registers;
// registerAtStartUp() is the app's own registration at every start and leaves alone a login item
// that the user turned off outside the app (in the desktop's own autostart settings), so that
// the choice survives the next start. isRegistered() is false for such an item.
class LoginItem {
public:
    virtual ~LoginItem() = default;
    virtual bool registerItem() = 0;
    virtual bool registerAtStartUp() = 0;
    virtual bool unregisterItem() = 0;
    virtual bool isRegistered() const = 0;
};
