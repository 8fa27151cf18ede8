// The two host objects the component calls back into.
//
// ConsoleHost is the host's console (`Parent`), SiteConnection its connection to the site and the
// operator (`NTConnection`). Members carry the host operations' names and argument order; arguments
// the host may change are passed by reference. A failing host call throws HostError; the component
// reports it through its error trap and never lets it escape into the host.
#pragma once

#include <statusobject/Export.h>

#include <QString>
#include <QStringList>
#include <QVariant>

#include <stdexcept>

namespace so {

/// A failure of a host call.
class STATUSOBJECT_EXPORT HostError : public std::runtime_error {
public:
    /// A failure described by message, with the host's error number.
    explicit HostError(const QString& message, int number = 440)
        : std::runtime_error(message.toStdString()), message_(message), number_(number) {}
    /// What failed.
    QString message() const { return message_; }
    /// The host's error number (440 when the host gives none).
    int number() const { return number_; }

private:
    QString message_;
    int number_;
};

/// An error as reported to the host's LogError: number, description and the library that raised it.
struct ErrorInfo {
    qint32 number = 0;    ///< the error number
    QString description;  ///< what failed (cut to a few hundred characters)
    QString source;       ///< the library that raised it ("StatusObject")
};

/// The host's image list (`ilconsole`). Images are handed over as QVariant holding a QIcon, QPixmap
/// or QImage, so that the component's core needs no GUI module; only the window reads them.
class STATUSOBJECT_EXPORT ImageList {
public:
    virtual ~ImageList() = default;
    /// Number of images; the grids' icons are indexes 0 to count() - 1.
    virtual int count() const = 0;
    /// The image at index (QIcon, QPixmap or QImage); read once, when the window is created.
    virtual QVariant image(int index) const = 0;
};

/// The host's console object (`Parent`). Every member is called on the user-interface thread,
/// from inside a Status member or the window's event handling; any may throw HostError, which the
/// component reports and never lets escape. The component never deletes it.
class STATUSOBJECT_EXPORT ConsoleHost {
public:
    virtual ~ConsoleHost() = default;
    /// Notifications: ("STATUSVIEWER", handle, "LOAD"), ("STATUSVIEWER", 0, "UNLOAD"),
    /// ("STATUS", 0, "Unload"), ("HELP", 212, 0), ("DEVICEADMIN", 0, "PROPERTIES", id).
    virtual void CallBack(const QString& word, qint64 value, const QVariant& action, const QVariant& id = {}) = 0;
    /// The operator asked to configure a newer-line device (kind word, device number) from a row's menu.
    virtual void ConfigureDevice(const QString& kind, qint32 deviceNumber) = 0;
    /// The operator asked to configure a classic device from a row's menu; the host may change the number.
    virtual void AlarmFormConfigureDevice(const QString& kind, qint32& deviceNumber) = 0;
    /// Classic controller command: controller number, "CALL_API|family|function", point number.
    virtual void DTApiCall(qint32& controllerNumber, const QString& command, qint16& pointNumber) = 0;
    /// The host's image list; may be null when the host has none.
    virtual const ImageList* ilconsole() = 0;
    /// Whether the console is connected to the site; asked as the window closes.
    virtual bool Connected() = 0;
};

/// The host's connection to the site and the operator (`NTConnection`). Called like ConsoleHost:
/// on the user-interface thread, never deleted by the component; a failing member throws HostError.
class STATUSOBJECT_EXPORT SiteConnection {
public:
    virtual ~SiteConnection() = default;
    /// This workstation's id, as the notices between workstations carry it (Sender).
    virtual QString WorkstationID() = 0;
    /// The signed-in operator's id (their groups and default group).
    virtual qint32 UserId() = 0;
    /// The operator's site (security domain); new groups belong to it.
    virtual qint32 SecurityDomain() = 0;
    /// Whether the operator may change the window's layout.
    virtual bool EnableCustomize() = 0;

    /// Whether the operator holds permission `kind` for object `number` (the host may change it).
    virtual bool PermissionGranted(qint16 kind, qint32& number) = 0;
    /// Takes the site-wide lock of (kind, id), e.g. 37 for the group configuration; false when held elsewhere.
    virtual bool LockComponent(qint32 kind, qint32 id) = 0;
    /// Gives a lock taken with LockComponent back.
    virtual bool ReleaseComponent(qint32 kind, qint32 id) = 0;
    /// True when another holder has the lock; holder and where are filled in by the host.
    virtual bool ComponentIsLocked(qint32 kind, qint32 id, QString& holder, QString& where) = 0;

    /// Text resource `number` (see TextNumbers.h) in the operator's language.
    virtual QString GetResourceString(qint32& number) = 0;
    /// The text `number` with the nine fill-in texts put into its place holders.
    virtual QString GRS(qint32 number, const QStringList& fillIns) = 0;
    /// A Qt date format picture (for example "dd/MM/yyyy"); the component appends " HH:mm:ss".
    virtual QString GetDateFormat() = 0;
    /// text with every apostrophe doubled, for a quoted SQL literal.
    virtual QString Fix_Apostrophe(const QString& text) = 0;

    /// Sends a notice to every workstation (this one included), which their hosts relay into
    /// Status::SyncPipe; topic and actions in Vocabulary.h (notice::).
    virtual void SendSyncData(const QString& topic, qint16 action, const QVariant& data,
                              const QString& workstationId) = 0;
    /// Writes an entry to the site's operator event log.
    virtual void LogEvent(const QString& description, const QString& deviceKind, qint32& deviceNumber,
                          const QString& details, qint16 eventCode) = 0;

    /// Runs an access function (from a row's menu) on a newer-line device.
    virtual void ZR2ExecuteAccessFunction(qint32 deviceType, qint32& deviceId, qint32 functionCode) = 0;
    /// Runs a control function (from a row's menu) on a newer-line device.
    virtual void ZR2ExecuteControlFunction(qint32 deviceType, qint32& deviceId, qint32 functionCode) = 0;
    /// Clears a newer-line reader's code tamper.
    virtual void ZR2ClearCodeTamper(qint32& deviceId) = 0;
    /// Whether the site supports the newer line's keypad hardware; asked once by Show.
    virtual bool ZR2IsRk8HardwareSupportEnabled() = 0;

    /// Opens the host's help at a context number (F1, the help button).
    virtual void ShowHelp(qint32 helpContext) = 0;
    /// Receives the failures the component reports under a name with ": " (zero, zero2 and
    /// lineNumber are 0). Must not throw; a throwing LogError loses the report.
    virtual void LogError(qint32 zero, const ErrorInfo& error, const QString& reportName, qint32 lineNumber,
                          qint32 zero2) = 0;
};

}  // namespace so
