// The two host objects the component calls back into.
//
// ConsoleHost is the host's console (`Parent`), SiteConnection its connection to the site and the
// operator (`NTConnection`). Members carry the host operations' names and argument order; arguments
// the host may change are passed by reference. A failing host call throws HostError; the component
// reports it through its error trap and never lets it escape into the host.
#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

#include <stdexcept>

namespace so {

/// A failure of a host call.
class HostError : public std::runtime_error {
public:
    explicit HostError(const QString& message, int number = 440)
        : std::runtime_error(message.toStdString()), message_(message), number_(number) {}
    QString message() const { return message_; }
    int number() const { return number_; }

private:
    QString message_;
    int number_;
};

/// An error as reported to the host's LogError: number, description and the library that raised it.
struct ErrorInfo {
    qint32 number = 0;
    QString description;
    QString source;
};

/// The host's image list (`ilconsole`). Images are handed over as QVariant holding a QIcon, QPixmap
/// or QImage, so that the component's core needs no GUI module; only the window reads them.
class ImageList {
public:
    virtual ~ImageList() = default;
    virtual int count() const = 0;
    virtual QVariant image(int index) const = 0;
};

/// The host's console object (`Parent`).
class ConsoleHost {
public:
    virtual ~ConsoleHost() = default;
    /// Notifications: ("STATUSVIEWER", handle, "LOAD"), ("STATUSVIEWER", 0, "UNLOAD"),
    /// ("STATUS", 0, "Unload"), ("HELP", 212, 0), ("DEVICEADMIN", 0, "PROPERTIES", id).
    virtual void CallBack(const QString& word, qint64 value, const QVariant& action, const QVariant& id = {}) = 0;
    virtual void ConfigureDevice(const QString& kind, qint32 deviceNumber) = 0;
    virtual void AlarmFormConfigureDevice(const QString& kind, qint32& deviceNumber) = 0;
    /// Classic controller command: controller number, "CALL_API|family|function", point number.
    virtual void DTApiCall(qint32& controllerNumber, const QString& command, qint16& pointNumber) = 0;
    /// The host's image list; may be null when the host has none.
    virtual const ImageList* ilconsole() = 0;
    virtual bool Connected() = 0;
};

/// The host's connection to the site and the operator (`NTConnection`).
class SiteConnection {
public:
    virtual ~SiteConnection() = default;
    virtual QString WorkstationID() = 0;
    virtual qint32 UserId() = 0;
    virtual qint32 SecurityDomain() = 0;
    virtual bool EnableCustomize() = 0;

    virtual bool PermissionGranted(qint16 kind, qint32& number) = 0;
    virtual bool LockComponent(qint32 kind, qint32 id) = 0;
    virtual bool ReleaseComponent(qint32 kind, qint32 id) = 0;
    /// True when another holder has the lock; holder and where are filled in by the host.
    virtual bool ComponentIsLocked(qint32 kind, qint32 id, QString& holder, QString& where) = 0;

    virtual QString GetResourceString(qint32& number) = 0;
    /// The text `number` with the nine fill-in texts put into its place holders.
    virtual QString GRS(qint32 number, const QStringList& fillIns) = 0;
    /// A Qt date format picture (for example "dd/MM/yyyy"); the component appends " HH:mm:ss".
    virtual QString GetDateFormat() = 0;
    virtual QString Fix_Apostrophe(const QString& text) = 0;

    virtual void SendSyncData(const QString& topic, qint16 action, const QVariant& data, const QString& workstationId) = 0;
    virtual void LogEvent(const QString& description, const QString& deviceKind, qint32& deviceNumber,
                          const QString& details, qint16 eventCode) = 0;

    virtual void ZR2ExecuteAccessFunction(qint32 deviceType, qint32& deviceId, qint32 functionCode) = 0;
    virtual void ZR2ExecuteControlFunction(qint32 deviceType, qint32& deviceId, qint32 functionCode) = 0;
    virtual void ZR2ClearCodeTamper(qint32& deviceId) = 0;
    virtual bool ZR2IsRk8HardwareSupportEnabled() = 0;

    virtual void ShowHelp(qint32 helpContext) = 0;
    virtual void LogError(qint32 zero, const ErrorInfo& error, const QString& reportName, qint32 lineNumber, qint32 zero2) = 0;
};

}  // namespace so
