#pragma once

#include "Platform/CameraProbe.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QMutex>
#include <sys/types.h>
#include <unistd.h>

// A camera is in use when some process of this user holds a video device (<dev>/video*) open,
// as the processes' /proc/PID/fd links show. Scanning every process's open files is costly, so
// the probe watches the devices with inotify: the scan runs on the first call and again only
// after a device was opened, closed, added or removed since the previous one; otherwise the last
// answer stands. Without inotify every call scans. The roots are for tests that fake either tree.
class ProcCameraProbe final : public CameraProbe {
public:
    explicit ProcCameraProbe(QByteArray procRoot = QByteArrayLiteral("/proc"),
                             QByteArray devRoot = QByteArrayLiteral("/dev"),
                             uid_t uid = ::geteuid());
    ~ProcCameraProbe() override;
    ProcCameraProbe(const ProcCameraProbe&) = delete;
    ProcCameraProbe& operator=(const ProcCameraProbe&) = delete;

    bool isCameraInUse() override;

    // Whether an fd link target names a video device directly under `devRoot`.
    static bool isVideoDevice(QByteArrayView linkTarget, QByteArrayView devRoot);

private:
    void startWatching();
    void watchDevice(const char* name);
    // Reads the pending device events; true if any could change the answer.
    bool devicesChanged();
    bool scan() const;
    bool anyVideoDeviceExists() const;
    bool processHoldsVideoDevice(int procDir, const char* pid) const;

    QByteArray m_procRoot;
    QByteArray m_devRoot;
    uid_t m_uid;
    QMutex m_mutex;
    int m_inotify = -1;
    int m_devWatch = -1;
    bool m_scanned = false;
    bool m_inUse = false;
};
