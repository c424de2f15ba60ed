#include <QApplication>
#include <QMainWindow>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QTimer>
#include <algorithm>
#include <gtest/gtest.h>
#include <map>

#include "app/update/skip_record.h"
#include "app/update/update_manager.h"
#include "app_env.h"
#include "platform/desktop/services.h"
#include "update_log_capture.h"
#include "update_server.h"

using namespace std::chrono_literals;
using updatetest::answer_with_version;
using updatetest::LookupServer;

namespace {

constexpr char kUpToDate[] = "已经是最新版本了哦";
const QString kProductPage = QStringLiteral("https://products.example/converter");

using Snapshot = std::map<std::string, std::string>;

Snapshot settings_snapshot()
{
    QSettings settings;
    Snapshot out;
    for (const QString& key : settings.allKeys())
        out[key.toStdString()] = settings.value(key).toString().toStdString();
    return out;
}

// Writes the skip keys that are given; nullptr leaves a key absent.
void seed_skip(bool flag, const char* own_text, const char* store_text)
{
    QSettings settings;
    settings.setValue(QLatin1String(update::kNoAlertAgainKey), flag);
    if (own_text)
        settings.setValue(QLatin1String(update::kSkippedOwnVersionKey), QString::fromLatin1(own_text));
    if (store_text)
        settings.setValue(QLatin1String(update::kSkippedStoreVersionKey), QString::fromLatin1(store_text));
    settings.sync();
}

bool skip_flag() { return QSettings().value(QLatin1String(update::kNoAlertAgainKey)).toBool(); }

class RecordingServices : public desktop::Services {
public:
    RecordingServices() { desktop::set_services(this); }
    ~RecordingServices() override { desktop::set_services(nullptr); }
    void reveal(const QUrl&) override {}
    bool open_url(const QUrl& url) override
    {
        opened.push_back(url);
        return true;
    }
    std::vector<QUrl> opened;
};

class UpdateCheck : public ::testing::Test {
protected:
    UpdateManager::Config config(const QString& own_version) const
    {
        UpdateManager::Config c;
        c.lookup_address = server.address();
        c.app_id = QStringLiteral("6444");
        c.own_version = own_version;
        c.product_page = kProductPage;
        return c;
    }

    // Runs one check of own against the store's version and waits until it has ended.
    void check_to_end(const char* own, const char* store)
    {
        server.set_answer(answer_with_version(store));
        EXPECT_TRUE(ended(UpdateManager::start(config(QString::fromLatin1(own))))) << own << " " << store;
    }

    static bool ended(const std::weak_ptr<UpdateManager>& manager)
    {
        return testsupport::pump_until([&] { return manager.expired(); }, 120s);
    }

    int logged_up_to_date() const
    {
        const std::string text = log.text();
        int count = 0;
        for (size_t at = text.find(kUpToDate); at != std::string::npos; at = text.find(kUpToDate, at + 1))
            ++count;
        return count;
    }

    QMainWindow& shown_window()
    {
        window.resize(640, 400);
        window.show();
        return window;
    }

    // The alert on the window, once it is shown; null when none came.
    QMessageBox* wait_for_alert()
    {
        QMessageBox* box = nullptr;
        testsupport::pump_until([&] {
            box = window.findChild<QMessageBox*>();
            return box && box->isVisible();
        }, 120s);
        return box && box->isVisible() ? box : nullptr;
    }

    // The buttons' titles from left to right.
    static QStringList button_titles(QMessageBox* box)
    {
        QList<QAbstractButton*> buttons = box->buttons();
        std::sort(buttons.begin(), buttons.end(), [](QAbstractButton* a, QAbstractButton* b) {
            return a->mapToGlobal(QPoint()).x() < b->mapToGlobal(QPoint()).x();
        });
        QStringList titles;
        for (QAbstractButton* button : buttons)
            titles << button->text();
        return titles;
    }

    // Runs a check that must alert, answers it with the button and waits until the check ends.
    void answer_alert(const char* own, const char* store, const char* button)
    {
        shown_window();
        server.set_answer(answer_with_version(store));
        const std::weak_ptr<UpdateManager> manager = UpdateManager::start(config(QString::fromLatin1(own)));
        QMessageBox* box = wait_for_alert();
        ASSERT_NE(box, nullptr) << own << " " << store;
        click(box, button);
        EXPECT_TRUE(ended(manager));
        EXPECT_TRUE(testsupport::pump_until([&] { return !window.findChild<QMessageBox*>(); }));
    }

    static void click(QMessageBox* box, const char* title)
    {
        for (QAbstractButton* button : box->buttons())
            if (button->text() == QString::fromUtf8(title))
                return button->click();
        ADD_FAILURE() << "no button " << title;
    }

    apptest::AppEnv env;
    LookupServer server;
    updatetest::StdoutCapture log;
    QMainWindow window;
};

struct AlertCase {
    const char* own;
    const char* store;
    const char* informative;
};

// A newer store version brings the alert no sooner than 2 s after the answer, window-modal on
// the window, with its texts and its three buttons in order; "later" stores nothing.
TEST_F(UpdateCheck, NewerStoreVersionShowsTheAlertTwoSecondsLater)
{
    const AlertCase cases[] = {
        {"1.0", "1.1", "本地版本: 1.0\n最新版本: 1.1"},
        {"2", "2.5", "本地版本: 2.0\n最新版本: 2.5"},
        {"1.9", "1.95", "本地版本: 1.9\n最新版本: 1.95"},
    };
    shown_window();
    for (const AlertCase& c : cases) {
        server.set_answer(answer_with_version(c.store));
        const std::weak_ptr<UpdateManager> manager = UpdateManager::start(config(QString::fromLatin1(c.own)));
        QMessageBox* box = wait_for_alert();
        ASSERT_NE(box, nullptr) << c.own;
        const auto delay = std::chrono::steady_clock::now() - *server.answered_at();
        EXPECT_GE(delay, 2000ms) << c.own;
        EXPECT_EQ(box->windowModality(), Qt::WindowModal);
        EXPECT_EQ(box->text(), QStringLiteral("检测到新版本"));
        EXPECT_EQ(box->informativeText(), QString::fromUtf8(c.informative));
        EXPECT_EQ(button_titles(box), QStringList({"去更新", "跳过本版本更新", "下次再说"}));
        EXPECT_FALSE(manager.expired()) << "the alert keeps the manager until it is answered";
        click(box, "下次再说");
        EXPECT_TRUE(ended(manager));
        EXPECT_TRUE(testsupport::pump_until([&] { return !window.findChild<QMessageBox*>(); }));
    }
    EXPECT_EQ(settings_snapshot(), Snapshot());
    EXPECT_EQ(logged_up_to_date(), 0);
}

// "Go and update" opens the product page through the desktop and stores nothing.
TEST_F(UpdateCheck, GoToUpdateOpensTheProductPage)
{
    RecordingServices desktop;
    answer_alert("1.0", "1.1", "去更新");
    ASSERT_EQ(desktop.opened.size(), 1u);
    EXPECT_EQ(desktop.opened[0], QUrl(kProductPage));
    EXPECT_EQ(settings_snapshot(), Snapshot());
}

// Skipping stores the texts as read; the same versions are then quiet, with the keys kept.
TEST_F(UpdateCheck, SkipRemembersTheVersionsAndQuietsTheNextCheck)
{
    answer_alert("1.00", "1.10", "跳过本版本更新");
    const Snapshot skipped = {{update::kNoAlertAgainKey, "true"},
                              {update::kSkippedOwnVersionKey, "1.00"},
                              {update::kSkippedStoreVersionKey, "1.10"}};
    EXPECT_EQ(settings_snapshot(), skipped);

    check_to_end("1.0", "1.1");
    EXPECT_EQ(logged_up_to_date(), 1);
    EXPECT_EQ(settings_snapshot(), skipped);
}

// "Later" stores nothing, so the next check alerts again.
TEST_F(UpdateCheck, LaterAlertsAgainAtTheNextCheck)
{
    for (int check = 0; check < 2; ++check)
        answer_alert("1.0", "1.1", "下次再说");
    EXPECT_EQ(settings_snapshot(), Snapshot());
}

struct SkipCase {
    const char* name;
    const char* remembered_own;  // nullptr: absent
    const char* remembered_store;
    const char* own;
    const char* store;
    bool alert;
    bool flag_after;
};

// The skip test against the remembered texts: the flag is cleared as soon as they no longer match.
TEST_F(UpdateCheck, SkipStateAgainstNewVersions)
{
    const SkipCase cases[] = {
        {"skipped version offered again", "1.0", "1.1", "1.0", "1.10", false, true},
        {"newer store version", "1.0", "1.1", "1.0", "1.2", true, false},
        {"application updated to the skipped version", "1.0", "1.1", "1.1", "1.1", false, false},
        {"flag without remembered texts", nullptr, nullptr, "1.0", "1.1", false, true},
        {"absent store text counts as 0", "0.5", nullptr, "0.5", "0", false, true},
        {"remembered text not a number counts as 0", "x", "0.5", "0", "0.5", false, true},
    };
    shown_window();
    for (const SkipCase& c : cases) {
        QSettings().clear();
        seed_skip(true, c.remembered_own, c.remembered_store);
        Snapshot expected = settings_snapshot();
        expected[update::kNoAlertAgainKey] = c.flag_after ? "true" : "false";
        const int logged_before = logged_up_to_date();
        server.set_answer(answer_with_version(c.store));
        const std::weak_ptr<UpdateManager> manager = UpdateManager::start(config(QString::fromLatin1(c.own)));
        if (c.alert) {
            QMessageBox* box = wait_for_alert();
            ASSERT_NE(box, nullptr) << c.name;
            EXPECT_EQ(settings_snapshot(), expected) << c.name;
            click(box, "下次再说");
        }
        EXPECT_TRUE(ended(manager)) << c.name;
        EXPECT_EQ(settings_snapshot(), expected) << c.name;
        EXPECT_EQ(logged_up_to_date() - logged_before, c.alert ? 0 : 1) << c.name;
        EXPECT_EQ(skip_flag(), c.flag_after) << c.name;
    }
}

// Versions compared as numbers: an older or equal store version only logs the line.
TEST_F(UpdateCheck, NotNewerLogsTheLineOnly)
{
    const std::pair<const char*, const char*> cases[] = {
        {"1.9", "1.10"}, {"1.0", "1.0"}, {"1.10", "1.1"}, {"2", "2.0"}, {"3", "2.99"}};
    shown_window();
    for (const auto& [own, store] : cases)
        check_to_end(own, store);
    EXPECT_EQ(logged_up_to_date(), static_cast<int>(std::size(cases)));
    EXPECT_EQ(window.findChild<QMessageBox*>(), nullptr);
    EXPECT_EQ(settings_snapshot(), Snapshot());
}

struct FailureCase {
    const char* name;
    QByteArray body;
    int status;
    const char* own;
};

// Every failure ends the check silently: no line, no alert, no key written. Each answer would
// log the line (or clear the seeded flag) if it were read past its fault.
TEST_F(UpdateCheck, FailuresEndSilently)
{
    const FailureCase cases[] = {
        {"version 1.2.3", answer_with_version("1.2.3"), 200, "2.0"},
        {"empty results", R"({"results":[]})", 200, "1.0"},
        {"no results", R"({"version":"1.0"})", 200, "1.0"},
        {"results not an array", R"({"results":{"version":"1.0"}})", 200, "1.0"},
        {"last result not an object", R"({"results":[{"version":"1.0"},"1.0"]})", 200, "1.0"},
        {"version a number", R"({"results":[{"version":1.0}]})", 200, "1.0"},
        {"top level an array", R"([{"results":[{"version":"1.0"}]}])", 200, "1.0"},
        {"not JSON", "version 1.0", 200, "1.0"},
        {"invalid UTF-8", "{\"results\":[{\"version\":\"1.0\"}],\"note\":\"\xff\xfe\"}", 200, "1.0"},
        {"HTTP 500", answer_with_version("1.0"), 500, "1.0"},
        {"HTTP 404", answer_with_version("1.0"), 404, "1.0"},
        {"own version not a number", answer_with_version("1.0"), 200, "1.0.1"},
        {"own version empty", answer_with_version("1.0"), 200, ""},
    };
    seed_skip(true, "0.5", "0.6");
    const Snapshot seeded = settings_snapshot();
    shown_window();
    for (const FailureCase& c : cases) {
        server.set_answer(c.body, c.status);
        EXPECT_TRUE(ended(UpdateManager::start(config(QString::fromLatin1(c.own))))) << c.name;
        EXPECT_EQ(logged_up_to_date(), 0) << c.name;
        EXPECT_EQ(settings_snapshot(), seeded) << c.name;
    }
    EXPECT_EQ(server.requests(), static_cast<int>(std::size(cases)));
    EXPECT_EQ(window.findChild<QMessageBox*>(), nullptr);
}

// No service, or one that refuses the connection, ends the check silently.
TEST_F(UpdateCheck, NoServiceEndsSilently)
{
    const QString addresses[] = {updatetest::refused_address(), QString(), QStringLiteral("not an address"),
                                 QStringLiteral("ftp://127.0.0.1/")};
    seed_skip(true, "0.5", "0.6");
    const Snapshot seeded = settings_snapshot();
    for (const QString& address : addresses) {
        UpdateManager::Config c = config(QStringLiteral("1.0"));
        c.lookup_address = address;
        EXPECT_TRUE(ended(UpdateManager::start(c))) << address.toStdString();
    }
    EXPECT_EQ(logged_up_to_date(), 0);
    EXPECT_EQ(settings_snapshot(), seeded);
}

// The lookup asks the service's "/lookup" with the identifier as "id".
TEST_F(UpdateCheck, AsksTheLookupPathWithTheIdentifier)
{
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"", "6444", "/lookup?id=6444"},
        {"/", "a b&c", "/lookup?id=a%20b%26c"},
        {"/service/", "7", "/service/lookup?id=7"},
    };
    server.set_answer(answer_with_version("1.0"));
    for (const auto& [suffix, id, target] : cases) {
        UpdateManager::Config c = config(QStringLiteral("1.0"));
        c.lookup_address += QString::fromLatin1(suffix);
        c.app_id = QString::fromLatin1(id);
        EXPECT_TRUE(ended(UpdateManager::start(c))) << target;
        EXPECT_EQ(server.last_target(), QByteArray(target));
    }
    EXPECT_EQ(logged_up_to_date(), 3);
}

// Answers up to 1 MiB are read; a larger one is refused, declared or not.
TEST_F(UpdateCheck, OversizedAnswerIsRefused)
{
    const std::tuple<qsizetype, LookupServer::Mode, bool> cases[] = {
        {1024 * 1024, LookupServer::Mode::Answer, true},
        {1024 * 1024 + 1, LookupServer::Mode::Answer, false},
        {1024 * 1024, LookupServer::Mode::Chunked, true},
        {1024 * 1024 + 1, LookupServer::Mode::Chunked, false},
        {8 * 1024 * 1024, LookupServer::Mode::Chunked, false},
    };
    for (const auto& [size, mode, read] : cases) {
        QByteArray body = R"({"results":[{"version":"1.0"}],"pad":")";
        body += QByteArray(size - body.size() - 2, 'x') + "\"}";
        ASSERT_EQ(body.size(), size);
        server.set_answer(body, 200, mode);
        const int logged_before = logged_up_to_date();
        EXPECT_TRUE(ended(UpdateManager::start(config(QStringLiteral("1.0"))))) << size;
        EXPECT_EQ(logged_up_to_date() - logged_before, read ? 1 : 0) << size << (mode == LookupServer::Mode::Chunked);
    }
}

// A server that accepts and never answers: the read gives up after its time-out and nothing
// is offered. On a loaded machine the request may reach the server only after the time-out,
// or not at all; either way the time-out, and nothing before it, ends the check.
TEST_F(UpdateCheck, SilentServerEndsTheCheckAfterTheTimeOut)
{
    EXPECT_EQ(UpdateManager::Config().timeout, 15s);
    server.set_answer({}, 200, LookupServer::Mode::Silent);
    UpdateManager::Config c = config(QStringLiteral("1.0"));
    // Well below the default, so that the test does not wait long.
    c.timeout = 3s;
    const auto started = std::chrono::steady_clock::now();
    const std::weak_ptr<UpdateManager> manager = UpdateManager::start(c);
    // Without the time-out a silent server holds the check open for good.
    ASSERT_TRUE(testsupport::pump_until([&] { return manager.expired(); }, 120s));
    const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
    // A timer may fire up to 5 % early (Qt's coarse timers).
    EXPECT_GE(waited, c.timeout * 95 / 100);
    EXPECT_LE(server.requests(), 1);
    EXPECT_TRUE(testsupport::pump_until([&] { return server.open_connections() == 0; }));
    for (QWidget* widget : QApplication::topLevelWidgets())
        EXPECT_EQ(qobject_cast<QMessageBox*>(widget), nullptr);
    EXPECT_EQ(logged_up_to_date(), 0);
    EXPECT_EQ(settings_snapshot(), Snapshot());
}

// Quitting while the read waits ends the check at once instead of after the time-out.
TEST_F(UpdateCheck, QuitDuringTheWaitEndsTheCheckAtOnce)
{
    server.set_answer({}, 200, LookupServer::Mode::Silent);
    server.on_request([] { QCoreApplication::quit(); });
    QTimer safety;
    QObject::connect(&safety, &QTimer::timeout, qApp, &QCoreApplication::quit);
    safety.start(120s);
    const std::weak_ptr<UpdateManager> manager = UpdateManager::start(config(QStringLiteral("1.0")));
    QCoreApplication::exec();
    ASSERT_EQ(server.requests(), 1);
    EXPECT_TRUE(manager.expired());
    EXPECT_TRUE(testsupport::pump_until([&] { return server.open_connections() == 0; }));
}

// With no window shown when the alert is due, nothing is shown and nothing stored.
TEST_F(UpdateCheck, NoWindowAtAlertTimeDropsTheAlert)
{
    server.set_answer(answer_with_version("1.1"));
    EXPECT_TRUE(ended(UpdateManager::start(config(QStringLiteral("1.0")))));
    for (QWidget* widget : QApplication::topLevelWidgets())
        EXPECT_EQ(qobject_cast<QMessageBox*>(widget), nullptr);
    EXPECT_EQ(server.requests(), 1);
    EXPECT_EQ(logged_up_to_date(), 0);
    EXPECT_EQ(settings_snapshot(), Snapshot());
}

}  // namespace
