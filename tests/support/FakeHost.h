// A recording host for tests: implements both host objects, records every call with its arguments
// in order, and answers from scriptable tables. Header-only so every test executable can use it.
#pragma once

#include <statusobject/Host.h>

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

#include <functional>

namespace so::test {

/// Text resource n as the fake host words it when no text is set for it.
inline QString R(int n) { return QStringLiteral("R%1").arg(n); }

struct HostCall {
    QString name;
    QVariantList args;
    QString toString() const {
        QStringList parts;
        for (const QVariant& a : args)
            parts << a.toString();
        return name + QLatin1Char('(') + parts.join(QStringLiteral(", ")) + QLatin1Char(')');
    }
};

class FakeHost : public ConsoleHost, public SiteConnection {
public:
    // ---- scriptable answers
    QString workstationId = QStringLiteral("WS1");
    qint32 userId = 1;
    qint32 securityDomain = 1;
    bool enableCustomize = false;
    bool rk8Support = true;
    bool connected = true;
    QString dateFormat = QStringLiteral("yyyy-MM-dd");
    /// Permission answers by kind; a kind not listed is granted.
    QHash<qint16, bool> permissions;
    /// Components locked by someone else: kind*100000+id -> holder.
    QHash<qint64, QString> lockedByOthers;
    /// Texts by number; a number not listed answers "R<number>".
    QHash<qint32, QString> texts;
    /// When set, the named operation throws HostError.
    QSet<QString> failing;

    QVector<HostCall> calls;

    QVector<HostCall> callsNamed(const QString& name) const {
        QVector<HostCall> out;
        for (const HostCall& c : calls)
            if (c.name == name)
                out.append(c);
        return out;
    }
    int count(const QString& name) const { return int(callsNamed(name).size()); }
    QStringList callNames() const {
        QStringList out;
        for (const HostCall& c : calls)
            out << c.name;
        return out;
    }
    void clearCalls() { calls.clear(); }

    // ---- ConsoleHost
    void CallBack(const QString& word, qint64 value, const QVariant& action, const QVariant& id) override {
        record(QStringLiteral("CallBack"), {word, value, action, id});
    }
    void ConfigureDevice(const QString& kind, qint32 deviceNumber) override {
        record(QStringLiteral("ConfigureDevice"), {kind, deviceNumber});
    }
    void AlarmFormConfigureDevice(const QString& kind, qint32& deviceNumber) override {
        record(QStringLiteral("AlarmFormConfigureDevice"), {kind, deviceNumber});
    }
    void DTApiCall(qint32& controller, const QString& command, qint16& point) override {
        record(QStringLiteral("DTApiCall"), {controller, command, point});
    }
    const ImageList* ilconsole() override { return nullptr; }
    bool Connected() override {
        record(QStringLiteral("Connected"), {});
        return connected;
    }

    // ---- SiteConnection
    QString WorkstationID() override { return workstationId; }
    qint32 UserId() override { return userId; }
    qint32 SecurityDomain() override { return securityDomain; }
    bool EnableCustomize() override { return enableCustomize; }
    bool PermissionGranted(qint16 kind, qint32& number) override {
        record(QStringLiteral("PermissionGranted"), {kind, number});
        return permissions.value(kind, true);
    }
    bool LockComponent(qint32 kind, qint32 id) override {
        record(QStringLiteral("LockComponent"), {kind, id});
        return true;
    }
    bool ReleaseComponent(qint32 kind, qint32 id) override {
        record(QStringLiteral("ReleaseComponent"), {kind, id});
        return true;
    }
    bool ComponentIsLocked(qint32 kind, qint32 id, QString& holder, QString& where) override {
        record(QStringLiteral("ComponentIsLocked"), {kind, id});
        const auto it = lockedByOthers.constFind(qint64(kind) * 100000 + id);
        if (it == lockedByOthers.constEnd())
            return false;
        holder = *it;
        where = QStringLiteral("WS2");
        return true;
    }
    QString GetResourceString(qint32& number) override {
        record(QStringLiteral("GetResourceString"), {number});
        return texts.value(number, R(number));
    }
    QString GRS(qint32 number, const QStringList& fillIns) override {
        record(QStringLiteral("GRS"), {number, fillIns});
        QString text = texts.value(number, R(number));
        for (int i = 0; i < fillIns.size(); ++i)
            text.replace(QStringLiteral("%%1").arg(i + 1), fillIns[i]);
        return text;
    }
    QString GetDateFormat() override {
        record(QStringLiteral("GetDateFormat"), {});
        return dateFormat;
    }
    QString Fix_Apostrophe(const QString& text) override {
        record(QStringLiteral("Fix_Apostrophe"), {text});
        return QString(text).replace(QLatin1Char('\''), QStringLiteral("''"));
    }
    void SendSyncData(const QString& topic, qint16 action, const QVariant& data, const QString& ws) override {
        record(QStringLiteral("SendSyncData"), {topic, action, data, ws});
    }
    void LogEvent(const QString& description, const QString& kind, qint32& number, const QString& details,
                  qint16 code) override {
        record(QStringLiteral("LogEvent"), {description, kind, number, details, code});
    }
    void ZR2ExecuteAccessFunction(qint32 type, qint32& id, qint32 code) override {
        record(QStringLiteral("ZR2ExecuteAccessFunction"), {type, id, code});
    }
    void ZR2ExecuteControlFunction(qint32 type, qint32& id, qint32 code) override {
        record(QStringLiteral("ZR2ExecuteControlFunction"), {type, id, code});
    }
    void ZR2ClearCodeTamper(qint32& id) override { record(QStringLiteral("ZR2ClearCodeTamper"), {id}); }
    bool ZR2IsRk8HardwareSupportEnabled() override {
        record(QStringLiteral("ZR2IsRk8HardwareSupportEnabled"), {});
        return rk8Support;
    }
    void ShowHelp(qint32 context) override { record(QStringLiteral("ShowHelp"), {context}); }
    void LogError(qint32 zero, const ErrorInfo& error, const QString& reportName, qint32 line, qint32 zero2) override {
        calls.append({QStringLiteral("LogError"), {zero, error.description, reportName, line, zero2}});
        loggedErrors.append(reportName + QStringLiteral(": ") + error.description);
    }

    QStringList loggedErrors;

private:
    void record(const QString& name, const QVariantList& args) {
        calls.append({name, args});
        if (failing.contains(name))
            throw HostError(name + QStringLiteral(" failed"));
    }
};

}  // namespace so::test
