// The web desk: one more desk of the site on the bus (its own broker login), serving the status to
// browsers. A signed-in operator's tabs are served by headless status components of that operator
// (OperatorDesk: a Workstation named "<desk>-<login>", "<desk>-<login>-2", ...), one per group the
// operator's tabs show: tabs share an operator's permissions, never a screen, so a guard who picks
// another group moves only their own tab. Find and "Abnormal only" are each tab's own filter over
// its component's rows. The page reads a component through StatusReader, so the rows, severity,
// reasons, recent marks and the attention list are the component's own. A browser signs in as a site operator, against
// the site's operator directory; the desk then signs that operator in at the field with the same password and names the
// field's session in the operator's commands. The operator's field session ends with the operator's last browser
// session here, and every browser session ends when the field restarts (the field's sessions ended with it: the
// browsers sign in again). A command from the page goes through the component's menu with the operator named, so the
// field checks it again as it checks a desktop desk's.
//
// The HTTP and WebSocket server runs on the same event loop (Qt HTTP Server with its WebSocket
// upgrade; TLS through its sslSetup). The wire contract is in WebProtocol.h.
#pragma once

#include "desk/BusAlarms.h"
#include "desk/Workstation.h"
#include "host/AppLog.h"
#include "host/DrawnImageList.h"
#include "host/ResourceTexts.h"
#include "web/ConnectionGuard.h"
#include "web/PasswordChecks.h"
#include "web/TabPast.h"
#include "web/WebGuards.h"
#include "web/WebProtocol.h"

#include "MqttSite.h"
#include "OperatorDirectory.h"

#include <statusobject/StatusReader.h>

#include <QHostAddress>
#include <QHttpServer>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QWebSocket>

#include <array>
#include <functional>
#include <vector>
#include <optional>
#include <memory>

namespace sv::web {

struct WebDeskOptions {
    QString siteUrl;
    QString logFolder;
    /// The site's name on the bus and this desk's computer name (its broker login).
    QString site = QStringLiteral("main");
    QString deskName = QStringLiteral("WEB1");
    QHostAddress address = QHostAddress::LocalHost;
    quint16 port = 0;
    QString tlsCert;
    QString tlsKey;
    /// Listening on an address other than loopback without TLS was asked for explicitly.
    bool insecureListen = false;
    /// TLS ends at a reverse proxy in front: cookies are marked Secure and the page's origin is
    /// https://<Host> although this server speaks plain HTTP.
    bool behindTlsProxy = false;
    /// Folder of the built page (index.html, assets/).
    QString webRoot;
    qint64 idleMs = SessionTable::kDefaultIdleMs;
    /// The clock of every duration here (push pacing, session expiry, the sign-in limiter):
    /// milliseconds that only go forward, whatever the time of day does. Unset: the steady clock;
    /// tests drive their own.
    std::function<qint64()> clock;
    /// The group a new operator component starts with instead of its profile's; empty: the profile's.
    QString group;
    /// Makes where the tabs read the site's past ("At") on the desk's link: the field's history in
    /// this process, or asked over the bus. Unset: the page offers no "At".
    std::function<std::unique_ptr<PastSource>(DeskLink& link)> past;
    /// Reverse proxies whose X-Forwarded-For names the client (sign-in limits go by the client's
    /// address); any other peer is the client itself, whatever it sends.
    QList<QHostAddress> trustedProxies;
    /// The host names (or addresses) the browsers use for the desk; requests naming another Host
    /// are refused. Empty: the listening address and, on loopback, localhost too.
    QStringList allowedHosts;
};

class WebDesk;

/// Passes each command of one operator's component to the desk's link with that operator named.
class OperatorControl final : public FieldControl {
public:
    OperatorControl(DeskLink& link, QString login) : link_(link), login_(std::move(login)) {}
    void dtApiCall(qint32 controllerNumber, const QString& command, qint16 pointNumber) override;
    void zr2AccessFunction(qint32 deviceType, qint32 deviceId, qint32 functionCode) override;
    void zr2ControlFunction(qint32 deviceType, qint32 deviceId, qint32 functionCode) override;
    void zr2ClearCodeTamper(qint32 readerId) override;

private:
    DeskLink& link_;
    QString login_;
};

class WebTab;

/// One of an operator's components: one group, shown to the operator's tabs that chose it.
class OperatorDesk {
public:
    /// `computerName`: the site workstation it is (each component its own: notices and locks go by
    /// it); `group`: the group it starts with, empty for the web desk's or the profile's.
    OperatorDesk(WebDesk& desk, const QString& login, const QString& computerName, const QString& group);
    ~OperatorDesk();

    const QString& login() const { return login_; }
    const QString& computerName() const { return computerName_; }
    Workstation& station() { return *station_; }
    so::StatusReader& reader() { return *reader_; }
    /// The operator's alarm steps, handed to the field.
    BusAlarms& alarms() { return *alarms_; }
    QString groupName() const;
    /// Shows another group (for its tabs, the one that asked alone); false when the operator has
    /// none of that name.
    bool showGroup(const QString& name);

    void attach(WebTab* tab);
    void detach(WebTab* tab);
    bool hasTabs() const { return !tabs_.isEmpty(); }
    qsizetype tabCount() const { return tabs_.size(); }
    void notice(const QString& text);
    /// Every tab of the operator pushes what changed.
    void markTabsDirty();
    /// What a past desk of this component is opened as: its options and services, its group.
    PastReplay::Desk pastDesk(so::db::Connection& site) const;

    /// What the tabs read of the component, taken at most ten times a second however often it
    /// changes, and serialised once for every tab: the counts message (shared by tabs with the
    /// same find text and "Abnormal only"), and the attention list's.
    const QByteArray& counts(const so::StatusReader::Filter& filter);
    /// The attention list now: the same snapshot (and version) while its entries stay the same.
    std::shared_ptr<const AttentionSnapshot> attention();
    /// The message that gives a tab holding `held` the list now: its changes, or the whole list
    /// when that is no longer (or `held` is null, or names a point twice). Serialised once per
    /// version held, for every tab.
    QByteArray attentionFor(const std::shared_ptr<const AttentionSnapshot>& held);

private:
    /// The component changed: the next snapshot is due (at most kPushIntervalMs after the last).
    void componentChanged();
    void takeSnapshot();

    WebDesk& desk_;
    QString login_;
    QString computerName_;
    WorkstationOptions options_;
    HostServices services_;
    std::unique_ptr<OperatorControl> control_;
    std::unique_ptr<BusAlarms> alarms_;
    std::unique_ptr<Workstation> station_;
    std::unique_ptr<so::StatusReader> reader_;
    QList<WebTab*> tabs_;
    PushPacer pacer_;
    QTimer snapshotTimer_;
    QHash<QString, QByteArray> counts_;
    /// The list as last read, and whether it is read anew at the next ask.
    std::shared_ptr<const AttentionSnapshot> attention_;
    bool attentionDue_ = true;
    QByteArray attentionWhole_;
    /// The message for each version a tab holds, to the list now.
    QHash<quint64, QByteArray> attentionChanges_;
};

/// One browser tab: its socket, its session, its view of the operator's component.
class WebTab final : public QObject {
public:
    WebTab(WebDesk& desk, std::unique_ptr<QWebSocket> socket, QByteArray sessionToken);
    ~WebTab() override;

    const QByteArray& sessionToken() const { return token_; }
    /// The operator the tab's session signed in; empty before its hello.
    const QString& login() const { return login_; }
    /// The tab shows the past.
    bool inPast() const { return past_ != nullptr; }
    /// Something the tab may show changed: a push follows, at most ten a second.
    void markDirty();
    /// The tab is served by `view` from now on (its group changed, or it said hello): it is
    /// welcomed and gets every view anew.
    void moveTo(OperatorDesk& view);
    void send(const QJsonObject& message);
    /// Says goodbye and closes; `again`: the page may open a new socket at once (the session lives).
    void close(const QString& reason, bool again = false);
    /// The server's heartbeat: a ping to a welcomed tab; a socket silent for kSilentSocketMs closes.
    void heartbeat(qint64 nowMs);

private:
    void received(const QString& text);
    void handle(const ClientMessage& message);
    void hello(const ClientMessage& message);
    void push();
    /// Whether the tab's session is a wall display's.
    bool wall();
    /// The tab's filter with the section's order.
    so::StatusReader::Filter filterOf(int section) const;
    /// What the tab's rows, counts and attention come from: the past desk's reader while it shows
    /// the past, else the operator's component's; null while a past board is still on its way.
    so::StatusReader* shown();
    /// Opens the past at moment (or moves the past shown there), unless refused.
    void showPast(qint64 moment);
    void pastAsked(const ClientMessage& m);
    /// Back to live: the past desk and its copy of the site go.
    void backToLive();
    void pastChanged();
    /// The attention list of the past desk (the tab's own, not shared with other tabs).
    void pushPastAttention(so::StatusReader& reader);

    WebDesk& desk_;
    std::unique_ptr<QWebSocket> socket_;
    QByteArray token_;
    OperatorDesk* operator_ = nullptr;
    /// The operator the tab's session signed in (set by its hello).
    QString login_;
    so::StatusReader::Filter filter_;
    /// Each section's order: the shown column (-1: the desk's) and whether reversed.
    std::array<std::pair<int, bool>, so::StatusReader::kSectionCount> sorts_;
    QVector<SectionView> views_;
    PushPacer pacer_;
    SentMessages sent_;
    /// The attention list as the tab was last sent it; null: the whole list goes next.
    std::shared_ptr<const AttentionSnapshot> attentionSent_;
    /// The past the tab shows; null while live.
    std::unique_ptr<TabPast> past_;
    QTimer pushTimer_;
    QTimer helloTimer_;
    QTimer recentTimer_;
    qint64 lastHeardMs_ = 0;
    AttemptPace messagePace_{kMessageBurst, kMessageEveryMs};
    /// Whether a flood, or a malformed message, was logged already: once per socket.
    bool floodLogged_ = false;
    bool invalidLogged_ = false;
    bool closing_ = false;
};

/// A browser's sign-in while its password is checked.
struct SignInAttempt {
    QString login;
    QByteArray password;
    /// The client's address, and the login as the log may show it.
    QString address;
    QString shown;
    std::optional<DirectoryOperator> found;
    /// Asked for a wall display's session.
    bool wall = false;
    /// Failures hold back a login from the address they came from only: someone who does not
    /// know a user's password cannot lock that user out from anywhere else.
    QString failureKey() const { return login + QLatin1Char('@') + address; }
};

class WebDesk final : public QObject {
public:
    /// Sockets open at most, in all and per session: a page that opens sockets in a loop runs
    /// out of them, not the desk out of memory.
    static constexpr int kMaxTabs = 500;
    static constexpr int kMaxTabsPerSession = 20;

    /// Opens its connection to the site (the operator directory) and starts listening. Throws
    /// StartupError (a site that cannot be opened, TLS files that cannot be read, a port that cannot be had, an address
    /// that is not loopback without TLS or --insecure-listen).
    WebDesk(const WebDeskOptions& options, SiteTransport& link, AppLog& log);
    ~WebDesk() override;

    quint16 port() const { return port_; }
    bool tls() const { return tls_; }
    const WebDeskOptions& options() const { return options_; }
    DeskLink& link() { return *desk_; }
    AppLog& log() { return log_; }
    ResourceTexts& texts() { return texts_; }
    DrawnImageList& images() { return images_; }

    /// Components one operator may have open at once (one per group their tabs show): beyond, a
    /// tab asking for yet another group is told to choose one already shown.
    static constexpr int kMaxComponentsPerOperator = 8;
    /// Tabs showing the past at once, per operator and in all: each holds a copy of the site and
    /// a desk on it.
    static constexpr int kMaxPastPerOperator = 2;
    static constexpr int kMaxPastTabs = 6;

    /// The component to serve a tab of `login` showing `group` (empty: any of the operator's, or
    /// the first group). One showing the group is shared; else the tab's own component `leaving`
    /// switches when no other tab watches it, or a tabless one does, or a new one starts. Null,
    /// with `refusal` said, when the operator has no such group or too many components open.
    /// Throws StartupError when a new component cannot start.
    OperatorDesk* viewFor(const QString& login, const QString& group, OperatorDesk* leaving, QString& refusal);
    /// The operator's components open now (those of tabs and of live sessions without tabs).
    QList<OperatorDesk*> operatorDesks(const QString& login) const;
    /// A tab found its session gone or the operator's last tab went: components without tabs close.
    void tabClosed(WebTab* tab);
    /// The next version of an attention list: versions never repeat within the desk, so a tab
    /// moved to another component's list cannot take its changes for its old list's.
    quint64 nextAttentionVersion() { return ++attentionVersion_; }
    /// Closes the components without tabs but one of an operator with a live session (later, never
    /// inside a tab's own call).
    void closeUnusedOperators();
    /// The live session of a token, touched unless `touch` is false; null when it is not live.
    const WebSession* session(const QByteArray& token, bool touch = true);
    /// Pings every tab and closes the sockets that went silent (run every kHeartbeatMs).
    void heartbeat();
    /// Milliseconds of the desk's steady clock (WebDeskOptions::clock), never the time of day.
    qint64 nowMs() const;
    /// What is wrong with the broker link and the field, in the status bar's words; empty while
    /// both are well.
    QStringList faults() const;
    int tabCount() const { return int(tabs_.size()); }
    ConnectionGuard& connections() { return *connections_; }
    /// Components open, of every operator.
    int operatorCount() const { return int(operators_.size()); }
    /// The history's span the tabs may ask for; absent without a history.
    /// The history's span, asked (over the bus) as login, the operator of the tab that shows it.
    HistorySpan pastSpan(const QString& login);
    /// Why `tab` may not be shown the site at moment; empty when it may.
    QString pastRefusal(const WebTab& tab, qint64 moment);
    /// A past of `view`'s group for a tab of its operator.
    std::unique_ptr<TabPast> openPast(OperatorDesk& view, std::function<void()> changed);
    /// Tabs showing the past, of one operator (empty: of every operator).
    int pastCount(const QString& login = {}) const;

private:
    void route();
    /// Answers once the password is checked (on a worker): the responder is kept until then.
    void signIn(const QHttpServerRequest& request, QHttpServerResponder&& responder);
    QHttpServerResponse signedIn(const SignInAttempt& attempt, bool passwordMatches);
    QHttpServerResponse currentSession(const QHttpServerRequest& request);
    QHttpServerResponse signOut(const QHttpServerRequest& request);
    QHttpServerResponse file(const QString& relative) const;
    /// The session of a state-changing request: cookie, X-CSRF-Token and Origin checked; null otherwise.
    const WebSession* checkedSession(const QHttpServerRequest& request);
    QStringList ownOrigins(const QByteArray& host) const;
    /// An answer written by a handler itself (one that waited for a worker), hardened as the
    /// server's own answers are.
    void answer(QHttpServerResponse&& response, QHttpServerResponder&& responder) const;
    /// Whether the request's Host is one of ours; logs a refusal.
    bool hostAllowed(const QByteArray& host);
    /// The browsers reach the desk over TLS (its own or a proxy's): Secure cookies, HSTS.
    bool secureCookies() const { return tls_ || options_.behindTlsProxy; }
    void newSocket();
    void endSession(const QByteArray& token, const QString& reason);
    /// The field's session of an operator signed in here, opened with the password a browser gave.
    void signInAtField(const QString& operatorName, const QByteArray& password);
    void expireSessions();
    void commandRefused(const QString& text);
    /// Tells every tab of the operator.
    void noticeOperator(const QString& login, const QString& text);
    /// The site workstation name of the operator's next component: the first not in use.
    QString freeComputerName(const QString& login) const;

    WebDeskOptions options_;
    AppLog& log_;
    ResourceTexts texts_{&log_};
    DrawnImageList images_;
    std::unique_ptr<DeskLink> desk_;
    std::unique_ptr<PastSource> past_;
    /// The desk's own connection to the site: the operator directory the browsers sign in against.
    std::unique_ptr<so::db::Connection> db_;
    SignInLimiter limiter_;
    /// Sign-ins per client address (any outcome), and successful ones per login.
    AttemptPace addressPace_{20, 3000};
    AttemptPace loginPace_{2 * SessionTable::kMaxSessionsPerLogin, 30 * 1000};
    PasswordChecks checks_;
    SessionTable sessions_;
    QHttpServer server_;
    std::unique_ptr<ConnectionGuard> connections_;
    quint16 port_ = 0;
    bool tls_ = false;
    /// Every operator's components, the oldest first.
    std::vector<std::unique_ptr<OperatorDesk>> operators_;
    QList<WebTab*> tabs_;
    QTimer expiry_;
    QTimer heartbeat_;
    QStringList allowedHosts_;
    quint64 attentionVersion_ = 0;
    QString linkText_;
    bool linkAlarm_ = false;
    QString fieldText_;
    bool fieldAlarm_ = false;
};

}  // namespace sv::web
