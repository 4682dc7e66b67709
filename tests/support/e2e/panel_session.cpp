#include "tests/support/e2e/panel_session.h"

#include "tests/support/temp_files.h"
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace vos::e2e {

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

// The cmake that configured this build, so the install matches it.
std::string cmakeCommand() {
    std::istringstream cache(test::Slurp(std::string(VOS_BINARY_DIR) + "/CMakeCache.txt"));
    const std::string key = "CMAKE_COMMAND:INTERNAL=";
    for (std::string line; std::getline(cache, line);)
        if (line.rfind(key, 0) == 0) return line.substr(key.size());
    return "cmake";
}

void writePlainJpeg(const std::string& path, std::uint32_t rgb) {
    QImage image(kWindowWidth, kWindowHeight, QImage::Format_RGB32);
    image.fill(QColor::fromRgb(rgb));
    if (!image.save(QString::fromStdString(path), "JPG", 95))
        throw std::runtime_error("cannot write " + path);
}

}  // namespace

bool pollUntil(const std::function<bool()>& done, int timeoutMs, int periodMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (Clock::now() >= deadline) return done();
        std::this_thread::sleep_for(std::chrono::milliseconds(periodMs));
    }
    return true;
}

PanelSession::PanelSession(PanelSetup setup)
    : installed_(std::make_unique<test::ProgramFolder>(true)), folder_(installed_->path()), setup_(setup) {
    install();
    const std::string ini = iniPath();
    if (setup.ini == PanelSetup::Ini::Missing) fs::remove(ini);
    if (setup.ini == PanelSetup::Ini::Given) std::ofstream(ini, std::ios::binary) << setup.iniText;
    prepareSkins(setup.plainSkins);
    connectLineAndDisplay();
}

PanelSession::PanelSession(LaunchedPanel launched) : folder_(launched.folder), launched_(std::move(launched)) {
    if (launched_.command.empty()) throw std::runtime_error("PanelSession: no command");
    if (folder_.empty() || folder_.back() != '/') folder_ += '/';
    if (!fs::is_directory(folder_ + "Ports")) throw std::runtime_error(folder_ + " has no Ports folder");
    connectLineAndDisplay();
}

void PanelSession::connectLineAndDisplay() {
    const std::string com1 = folder_ + "Ports/COM1";
    std::error_code ec;
    fs::remove(com1, ec);
    fs::create_symlink(pty_->slavePath(), com1);
    recorder_ = std::make_unique<LineRecorder>(*pty_);
    display_ = std::make_unique<VirtualDisplay>(setup_.screenWidth, setup_.screenHeight, scratch_.path() + "xvfb.log");
    x_ = std::make_unique<XClient>(display_->name(), scratch_.path());
}

PanelSession::~PanelSession() {
    if (::testing::Test::HasFailure()) keepDiagnostics();
    program_.reset();
    recorder_.reset();
    x_.reset();
    display_.reset();
}

void PanelSession::install() {
    const ExitStatus s = runTool({cmakeCommand(), "--install", VOS_BINARY_DIR, "--prefix", folder_},
                                 environmentWith({}), nullptr, 120000);
    if (!s.success() || !fs::exists(folder_ + "vostrelle"))
        throw std::runtime_error("cmake --install into " + folder_ + " failed");
}

// Until the build makes its own skins, and for tests that must tell the two
// pictures apart anywhere, plain pictures stand in for them.
void PanelSession::prepareSkins(bool plain) {
    const std::string skins = folder_ + "Skins/";
    fs::create_directories(skins);
    for (const auto& [name, rgb] : {std::pair{"num760f.jpg", kPlainMillingRgb}, {"num760t.jpg", kPlainLatheRgb}})
        if (plain || !fs::exists(skins + name)) writePlainJpeg(skins + name, rgb);
}

void PanelSession::start() {
    const std::string runtime = scratch_.path() + "runtime";
    fs::create_directories(runtime);
    ::chmod(runtime.c_str(), 0700);
    const std::string log = scratch_.path() + "vostrelle.log";
    std::vector<std::string> env = {"DISPLAY=" + display_->name(), "QT_QPA_PLATFORM=xcb", "XDG_RUNTIME_DIR=" + runtime};
    env.insert(env.end(), launched_.environment.begin(), launched_.environment.end());
    env.insert(env.end(), setup_.environment.begin(), setup_.environment.end());
    // The desktop's scaling variables go unless the test sets them; no input
    // method of the test runner's desktop either (an ibus without its
    // daemon): the platform's own compose support handles dead keys.
    std::vector<std::string> removed{"QT_IM_MODULE", "XMODIFIERS"};
    for (const char* name : {"WAYLAND_DISPLAY", "QT_SCALE_FACTOR", "QT_SCREEN_SCALE_FACTORS", "QT_FONT_DPI",
                             "QT_AUTO_SCREEN_SCALE_FACTOR", "QT_ENABLE_HIGHDPI_SCALING"}) {
        const std::string prefix = std::string(name) + "=";
        if (std::none_of(env.begin(), env.end(), [&](const std::string& v) { return v.rfind(prefix, 0) == 0; }))
            removed.emplace_back(name);
    }
    const bool launched = !launched_.command.empty();
    std::vector<std::string> command = setup_.launcher;
    command.push_back(folder_ + "vostrelle");
    command.insert(command.end(), setup_.arguments.begin(), setup_.arguments.end());
    program_ = std::make_unique<ChildProcess>(SpawnOptions{launched ? launched_.command : command,
                                                           environmentWith(env, removed), log, log, -1,
                                                           launched ? "" : folder_});
}

::testing::AssertionResult PanelSession::startUntilBanner() {
    start();
    if (!waitForMainWindow()) return ::testing::AssertionFailure() << "no panel window titled Vostrelle";
    if (!waitForLine()) return ::testing::AssertionFailure() << "the program sends nothing on COM1";
    PanelShot last;
    if (!waitForShot([](const PanelShot& p) { return p.lineInk(ScreenLayout::Normal, 4) == kBannerInk; }, kWaitMs,
                     &last))
        return ::testing::AssertionFailure() << "no banner; line 4 shows " << last.lineInk(ScreenLayout::Normal, 4);
    return ::testing::AssertionSuccess();
}

// Full screen: the panel at the scale that fits the screen, centred, as the
// program lays it (its client size rounded from the design size).
bool PanelSession::fullScreenWindow(std::uint64_t id, const WindowGeometry& g) {
    const int w = setup_.screenWidth, h = setup_.screenHeight;
    if (g.x != 0 || g.y != 0 || g.width != w || g.height != h) return false;
    const bool byWidth = static_cast<long long>(w) * kWindowHeight <= static_cast<long long>(h) * kWindowWidth;
    const int num = byWidth ? w : h, den = byWidth ? kWindowWidth : kWindowHeight;
    const auto rounded = [&](int v) { return static_cast<int>((static_cast<long long>(v) * num + den / 2) / den); };
    const int cw = rounded(kWindowWidth), ch = rounded(kWindowHeight);
    window_ = id;
    placed_ = {(w - cw) / 2, (h - ch) / 2, cw, ch};
    scale_ = static_cast<double>(cw) / kWindowWidth;
    return true;
}

bool PanelSession::waitForMainWindow(int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (Clock::now() < deadline && program_->running()) {
        for (std::uint64_t id : x_->visibleWindows("^Vostrelle$")) {
            try {
                const WindowGeometry g = x_->geometry(id);
                if (setup_.fullScreen) {
                    if (fullScreenWindow(id, g)) return true;
                    continue;
                }
                // The panel's shape, at any scale (one pixel of rounding).
                if (g.width >= 100 && std::abs(g.width * kWindowHeight - g.height * kWindowWidth) <= kWindowWidth) {
                    window_ = id;
                    placed_ = g;
                    scale_ = static_cast<double>(g.width) / kWindowWidth;
                    // The first activation moves it to the top centre;
                    // note the place it ends at (tests check it).
                    pollUntil([&] {
                        placed_ = x_->geometry(id);
                        // Centred in the desktop's pixels: one screen pixel off
                        // where the desktop scales.
                        return std::abs(placed_.x - (setup_.screenWidth - placed_.width) / 2) <= 1 && placed_.y == 0;
                    }, 5000);
                    return true;
                }
            } catch (const std::runtime_error&) {
                // The window went between the search and the query: look again.
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

WindowGeometry PanelSession::windowGeometry() const { return x_->geometry(window_); }

bool PanelSession::waitForLine(int timeoutMs) {
    const std::size_t mark = line().size();
    return line().waitFor(mark, [](const auto& bytes) { return bytes.size() >= 50; }, timeoutMs);
}

const std::string& PanelSession::folder() const { return folder_; }
std::string PanelSession::iniPath() const { return folder_ + "Vostrelle.ini"; }
bool PanelSession::iniExists() const { return fs::exists(iniPath()); }
std::string PanelSession::readIni() const { return test::Slurp(iniPath()); }

bool PanelSession::sendFromControl(const std::vector<std::uint8_t>& bytes) { return pty_->write(bytes); }

void PanelSession::unplugLine() {
    recorder_->stop();
    std::error_code ec;
    fs::remove(folder_ + "Ports/COM1", ec);
    pty_->closeMaster();
}

void PanelSession::plugNewLine() {
    recorder_.reset();
    pty_ = std::make_unique<test::PtyPair>();
    recorder_ = std::make_unique<LineRecorder>(*pty_);
    fs::create_symlink(pty_->slavePath(), folder_ + "Ports/COM1");
}

void PanelSession::loseDisplay() {
    x_.reset();
    display_.reset();
}

QPoint PanelSession::onScreen(int x, int y) const {
    return {placed_.x + static_cast<int>((x + 0.5) * scale_), placed_.y + static_cast<int>((y + 0.5) * scale_)};
}

void PanelSession::clickAt(int x, int y, Button button) {
    const QPoint p = onScreen(x, y);
    x_->click(p.x(), p.y(), button);
}
void PanelSession::pressAt(int x, int y, Button button) {
    const QPoint p = onScreen(x, y);
    x_->press(p.x(), p.y(), button);
}
void PanelSession::release(Button button) { x_->release(button); }
void PanelSession::clickHolding(int x, int y, Button button, const std::string& keyName) {
    const QPoint p = onScreen(x, y);
    x_->clickHolding(p.x(), p.y(), button, keyName);
}
void PanelSession::doubleClickAt(int x, int y, Button button) {
    const QPoint p = onScreen(x, y);
    x_->doubleClick(p.x(), p.y(), button);
}
void PanelSession::key(const std::string& keyName) { x_->key(keyName); }

PanelShot PanelSession::shot() {
    lastScreen_ = x_->screenshot();
    return PanelShot(lastScreen_, QPoint(placed_.x, placed_.y), scale_);
}

bool PanelSession::waitForShot(const std::function<bool(const PanelShot&)>& done, int timeoutMs,
                               PanelShot* last) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const PanelShot s = shot();
        if (last != nullptr) *last = s;
        if (done(s)) return true;
        if (Clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

void PanelSession::keepDiagnostics() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string dir = std::string(VOS_BINARY_DIR) + "/Testing/e2e-failures/";
    const std::string base = dir + info->test_suite_name() + "." + info->name();
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (x_ && display_) {
        try {
            lastScreen_ = x_->screenshot();
        } catch (const std::runtime_error&) {
        }
    }
    if (!lastScreen_.isNull()) lastScreen_.save(QString::fromStdString(base + ".png"));
    for (const char* log : {"vostrelle.log", "xvfb.log"})
        fs::copy_file(scratch_.path() + log, base + "." + log, fs::copy_options::overwrite_existing, ec);
    if (fs::exists(iniPath())) fs::copy_file(iniPath(), base + ".ini", fs::copy_options::overwrite_existing, ec);
    std::cerr << "e2e: diagnostics kept in " << base << ".*\n";
}

}  // namespace vos::e2e
