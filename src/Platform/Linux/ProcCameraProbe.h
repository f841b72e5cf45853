#pragma once

#include "Platform/CameraProbe.h"

#include <QByteArray>
#include <QByteArrayView>
#include <sys/types.h>
#include <unistd.h>

// A camera is in use when some process of this user holds a video device (<dev>/video*) open,
// seen in the process's /proc/PID/fd links. The scan stops at the first one found, and is
// skipped when no video device exists at all. The roots are for tests that fake either tree.
class ProcCameraProbe final : public CameraProbe {
public:
    explicit ProcCameraProbe(QByteArray procRoot = QByteArrayLiteral("/proc"),
                             QByteArray devRoot = QByteArrayLiteral("/dev"),
                             uid_t uid = ::geteuid());

    bool isCameraInUse() override;

    // Whether an fd link target names a video device directly under `devRoot`.
    static bool isVideoDevice(QByteArrayView linkTarget, QByteArrayView devRoot);

private:
    bool anyVideoDeviceExists() const;
    bool processHoldsVideoDevice(int procDir, const char* pid) const;

    QByteArray m_procRoot;
    QByteArray m_devRoot;
    uid_t m_uid;
};
