#pragma once

#include <QObject>

// Reports the desktop's screen-lock changes. Observation runs from construction to destruction,
// so whoever owns a source decides how long it listens. Several sources may report the same
// change; repeats are normal.
class ScreenLockSource : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

signals:
    void lockStateReported(bool locked);
};
