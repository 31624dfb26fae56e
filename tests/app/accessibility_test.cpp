// The program as an outside client (a screen reader, a test robot) sees it through the desktop
// accessibility bus: its controls by role and name, their states, and commands run by the
// client's actions.
#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QDBusVariant>
#include <QElapsedTimer>
#include <QProcess>
#include <QTest>
#include <deque>
#include <optional>

#include "user_folders.h"

namespace {

const char* const kRootPath = "/org/a11y/atspi/accessible/root";
const char* const kConnectionName = "tessaly-accessibility-test";

// One accessible object: the bus name of its program and its object path.
struct Node {
  QString service;
  QString path;
};

class AccessibilityBus {
 public:
  ~AccessibilityBus() { QDBusConnection::disconnectFromBus(kConnectionName); }

  bool connect() {
    QDBusInterface launcher("org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus",
                            QDBusConnection::sessionBus());
    const QDBusReply<QString> address = launcher.call("GetAddress");
    if (!address.isValid()) return false;
    bus_ = QDBusConnection::connectToBus(address.value(), kConnectionName);
    return bus_.isConnected();
  }

  QDBusMessage call(const Node& node, const char* interface, const char* method,
                    const QVariantList& arguments = {}) {
    QDBusMessage message = QDBusMessage::createMethodCall(
        node.service, node.path, QString("org.a11y.atspi.") + interface, method);
    message.setArguments(arguments);
    return bus_.call(message, QDBus::Block, 5000);
  }

  std::vector<Node> children(const Node& node) {
    std::vector<Node> found;
    const QDBusMessage reply = call(node, "Accessible", "GetChildren");
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return found;
    const QDBusArgument list = reply.arguments().first().value<QDBusArgument>();
    list.beginArray();
    while (!list.atEnd()) {
      Node child;
      QDBusObjectPath path;
      list.beginStructure();
      list >> child.service >> path;
      list.endStructure();
      child.path = path.path();
      found.push_back(child);
    }
    list.endArray();
    return found;
  }

  QString name(const Node& node) {
    QDBusMessage get = QDBusMessage::createMethodCall(node.service, node.path,
                                                      "org.freedesktop.DBus.Properties", "Get");
    get.setArguments({"org.a11y.atspi.Accessible", "Name"});
    const QDBusMessage reply = bus_.call(get, QDBus::Block, 5000);
    if (reply.arguments().isEmpty()) return {};
    return reply.arguments().first().value<QDBusVariant>().variant().toString();
  }

  QString role(const Node& node) {
    const QDBusMessage reply = call(node, "Accessible", "GetRoleName");
    return reply.arguments().isEmpty() ? QString() : reply.arguments().first().toString();
  }

  // Whether a node's states include "checked" (state 4 of the first word).
  bool checked(const Node& node) {
    const QDBusMessage reply = call(node, "Accessible", "GetState");
    if (reply.arguments().isEmpty()) return false;
    QList<uint> words;
    const QDBusArgument states = reply.arguments().first().value<QDBusArgument>();
    states >> words;
    return !words.isEmpty() && (words.first() & (1u << 4)) != 0;
  }

  // The first node under `from` (breadth first) with the name and role.
  std::optional<Node> find(const Node& from, const QString& wantedName, const QString& wantedRole) {
    std::deque<Node> queue{from};
    for (int visited = 0; !queue.empty() && visited < 2000; ++visited) {
      const Node node = queue.front();
      queue.pop_front();
      if (name(node) == wantedName && (wantedRole.isEmpty() || role(node) == wantedRole)) {
        return node;
      }
      for (const Node& child : children(node)) queue.push_back(child);
    }
    return std::nullopt;
  }

 private:
  QDBusConnection bus_{QString()};
};

}  // namespace

class AccessibilityTest : public QObject {
  Q_OBJECT

 private slots:
  void anOutsideClientFindsTheControlsAndRunsACommand() {
    AccessibilityBus bus;
    QVERIFY2(bus.connect(), "no accessibility bus");
    app_test::UserFolders user;
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const auto& [key, value] : user.environment()) {
      environment.insert(QString::fromStdString(key), QString::fromStdString(value));
    }
    environment.insert("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
    // Under the leak checker: Qt's libraries keep no frame pointers, so the fast unwinder now and
    // then loses the D-Bus module's frames of what Qt's bus thread keeps to the end (the
    // suppressions name that module), and the block then reads as the program's own leak.
    if (environment.contains("ASAN_OPTIONS")) {
      environment.insert("ASAN_OPTIONS",
                         environment.value("ASAN_OPTIONS") + ":fast_unwind_on_malloc=0");
    }
    program.setProcessEnvironment(environment);
    // The program's own messages (a sanitizer's report among them) belong in the test's log.
    program.setProcessChannelMode(QProcess::ForwardedChannels);
    program.start(TESSALY_PROGRAM, {});
    QVERIFY(program.waitForStarted());

    // The program registers with the desktop once its window is up.
    std::optional<Node> app;
    QElapsedTimer waited;
    waited.start();
    while (!app && waited.elapsed() < 15000) {
      for (const Node& candidate : bus.children({"org.a11y.atspi.Registry", kRootPath})) {
        if (bus.name(candidate) == "Tessaly") app = candidate;
      }
      if (!app) QTest::qWait(100);
    }
    QVERIFY2(app, "the program never appeared on the accessibility bus");

    for (const char* control : {"Open image files", "Start over", "Help", "Close"}) {
      QVERIFY2(bus.find(*app, control, "push button"), control);
    }
    const std::optional<Node> box = bus.find(*app, "Maximise", "");
    QVERIFY(box);
    // The window starts maximised, its box clear; the box's action restores the window.
    QVERIFY(!bus.checked(*box));
    QCOMPARE(bus.call(*box, "Action", "DoAction", {0}).type(), QDBusMessage::ReplyMessage);
    QTRY_VERIFY_WITH_TIMEOUT(bus.checked(*box), 5000);

    const std::optional<Node> close = bus.find(*app, "Close", "push button");
    bus.call(*close, "Action", "DoAction", {0});
    QVERIFY(program.waitForFinished(10000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
  }
};

QTEST_GUILESS_MAIN(AccessibilityTest)
#include "accessibility_test.moc"
