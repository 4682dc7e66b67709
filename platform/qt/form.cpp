#include "platform/qt/form.h"

#include <QCoreApplication>
#include <QCursor>
#include <QElapsedTimer>
#include <QThread>
#include <QEventLoop>
#include <QGuiApplication>
#include <QScreen>
#include <QWindow>
#include <algorithm>
#include <cmath>
#include <numeric>

#include "platform/qt/app_services.h"
#include "platform/qt/bitmap_impl.h"
#include "platform/qt/form_impl.h"
#include "platform/qt/graphic_control.h"
#include "platform/qt/guard.h"
#include "platform/qt/key_preview.h"
#include "platform/qt/label.h"
#include "platform/qt/list_controls.h"
#include "platform/qt/picture.h"
#include "platform/qt/qt_convert.h"
#include "platform/qt/shape.h"

namespace vos {

namespace {

Qt::WindowFlags flagsFor(FormStyle style) {
    switch (style) {
    case FormStyle::Borderless:
        return Qt::Window | Qt::FramelessWindowHint;
    case FormStyle::Single:
        return Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
               Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    case FormStyle::Dialog:
        return Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
               Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    }
    return Qt::Window;
}

}  // namespace

Form::Impl::Impl(Form& f, FormStyle style)
    : form(f), window(new FormWidget(f, flagsFor(style))), surface(new QWidget(window)) {
    surface->setObjectName(QStringLiteral("client"));
    QObject::connect(qGuiApp, &QGuiApplication::focusWindowChanged, window,
                     [this](QWindow* now) { focusWindowChanged(now); });
    QPalette pal = window->palette();
    pal.setColor(QPalette::Window, qtconv::toQColor(color));
    window->setPalette(pal);
    window->setFont(qtconv::toQFont(font));
}

Form::Impl::~Impl() {
    preview.reset();
    // Controls first (each deletes its widget), newest first, then the window.
    while (!owned.empty()) owned.pop_back();
    timers.clear();
    delete window;
}

void Form::Impl::registerControl(Control* c) { controls.push_back(c); }

void Form::Impl::unregisterControl(Control* c) {
    controls.erase(std::remove(controls.begin(), controls.end(), c), controls.end());
}

Form::Form(std::string name, FormStyle style)
    : name_(std::move(name)), impl_(std::make_unique<Impl>(*this, style)) {
    impl_->window->setObjectName(qtconv::toQString(name_));
    if (!appServices().mainForm) appServices().mainForm = this;
}

// Controls and timers go while the form is whole: their destructors reach it.
Form::~Form() {
    if (appServices().mainForm == this) appServices().mainForm = nullptr;
    impl_->preview.reset();
    while (!impl_->owned.empty()) impl_->owned.pop_back();
    impl_->timers.clear();
}

template <class T>
static T& adopt(Form::Impl& d, std::unique_ptr<T> c) {
    T& ref = *c;
    d.owned.push_back(std::move(c));
    return ref;
}

Label& Form::addLabel(std::string name) { return adopt(*impl_, std::make_unique<Label>(*this, std::move(name))); }
Shape& Form::addShape(std::string name) { return adopt(*impl_, std::make_unique<Shape>(*this, std::move(name))); }
Picture& Form::addPicture(std::string name) {
    return adopt(*impl_, std::make_unique<Picture>(*this, std::move(name)));
}
ComboBox& Form::addComboBox(std::string name) {
    return adopt(*impl_, std::make_unique<ComboBox>(*this, std::move(name)));
}
ProgressBar& Form::addProgressBar(std::string name) {
    return adopt(*impl_, std::make_unique<ProgressBar>(*this, std::move(name)));
}
Button& Form::addButton(std::string name) { return adopt(*impl_, std::make_unique<Button>(*this, std::move(name))); }
CheckBox& Form::addCheckBox(std::string name) {
    return adopt(*impl_, std::make_unique<CheckBox>(*this, std::move(name)));
}
GraphicControl& Form::addGraphic(std::string name) {
    return adopt(*impl_, std::make_unique<GraphicControl>(*this, std::move(name)));
}

Timer& Form::addTimer(std::string name, int intervalMs) {
    impl_->timers.push_back(std::make_unique<Timer>(*this, std::move(name), intervalMs));
    return *impl_->timers.back();
}

Control* Form::find(const std::string& name) const {
    for (Control* c : impl_->controls)
        if (c->name() == name) return c;
    return nullptr;
}

QWidget* Form::window() const { return impl_->window; }

const std::vector<Control*>& Form::controls() const { return impl_->controls; }

void Form::setCaption(const std::string& utf8) { impl_->window->setWindowTitle(qtconv::toQString(utf8)); }
std::string Form::caption() const { return qtconv::toStd(impl_->window->windowTitle()); }

// The client area has a fixed size: none of the styles lets the user resize.
// The window has it too, unless it fills its screen.
void Form::setClientSize(int width, int height) {
    Impl& d = *impl_;
    d.surface->setFixedSize(width, height);
    if (!d.fullScreen) d.window->setFixedSize(width, height);
    d.placeSurface();
}
int Form::clientWidth() const { return impl_->surface->width(); }
int Form::clientHeight() const { return impl_->surface->height(); }

void Form::Impl::placeSurface() {
    surface->move(fullScreen ? QPoint((window->width() - surface->width()) / 2,
                                      (window->height() - surface->height()) / 2)
                             : QPoint(0, 0));
}

// The window takes its screen's whole geometry itself: with no window
// manager (a session of its own), nobody else would give it.
void Form::setFullScreen(bool on) {
    Impl& d = *impl_;
    if (on == d.fullScreen) return;
    d.fullScreen = on;
    QWidget* w = d.window;
    if (on) {
        w->setMinimumSize(0, 0);
        w->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        if (QScreen* s = w->screen()) w->setGeometry(s->geometry());
        if (w->isVisible()) w->showFullScreen();
    } else {
        if (w->isVisible()) w->showNormal();
        w->setFixedSize(d.surface->size());
    }
    d.placeSurface();
}

bool Form::fullScreen() const { return impl_->fullScreen; }

void Form::setColor(design::Rgb background) {
    impl_->color = background;
    QPalette pal = impl_->window->palette();
    pal.setColor(QPalette::Window, qtconv::toQColor(background));
    impl_->window->setPalette(pal);
}

void Form::setFont(const FontSpec& f) {
    impl_->font = f;
    impl_->window->setFont(qtconv::toQFont(f));
}

int Form::left() const { return impl_->window->geometry().x() + impl_->surface->x(); }
int Form::top() const { return impl_->window->geometry().y() + impl_->surface->y(); }
void Form::moveTo(int left, int top) {
    if (impl_->fullScreen) return;  // the screen is its place
    QWidget* w = impl_->window;
    w->setGeometry(left, top, w->width(), w->height());
}

// The first show runs onShow before the window appears, then raises the
// first activation. While the application starts up, an exception in onShow
// goes on to runApplication (it ends the program); otherwise it is reported.
void Form::show() {
    Impl& d = *impl_;
    const bool first = !d.shownOnce;
    d.closeRequested = false;
    if (first) {
        d.shownOnce = true;
        if (onShow) {
            const auto handler = onShow;
            if (appServices().startingUp)
                handler();
            else
                guarded(handler);
        }
        if (d.closeRequested || appServices().quitRequested) return;
    }
    if (d.fullScreen)
        d.window->showFullScreen();
    else
        d.window->show();
    d.raiseAndActivate();
    if (first) d.fireActivate();
}

// Hiding the active window gives the focus back to the main form, as the
// window system would with the next window in line.
void Form::hide() {
    const bool wasActive = isActive();
    impl_->window->hide();
    Form* main = appServices().mainForm;
    if (wasActive && main && main != this && main->visible()) main->activate();
}
bool Form::visible() const { return impl_->window->isVisible(); }

void Form::close() {
    Impl& d = *impl_;
    if (d.window->isVisible()) {
        d.window->close();  // closeEvent runs onClose
        return;
    }
    // Not shown (yet): the close still runs its handler and counts as closed.
    if (d.closing) return;
    runCloseHandler();
    d.closed();
}

void Form::closeAtExit() {
    Impl& d = *impl_;
    if (!d.shownOnce || d.closing || d.closeRequested) return;
    runCloseHandler();
}

// onClose once, through the guard; the form then counts as closed.
void Form::runCloseHandler() {
    Impl& d = *impl_;
    d.closing = true;
    if (onClose) {
        const auto handler = onClose;
        guarded(handler);
    }
    d.closing = false;
    d.closeRequested = true;
}

// Closing the main form ends the program (after the running handler).
void Form::Impl::closed() {
    if (modalLoop) {
        if (modalResult == ModalResult::None) modalResult = ModalResult::Cancel;
        modalLoop->quit();
    }
    AppServices& s = appServices();
    if (s.mainForm != &form) return;
    if (!s.quitRequested) {
        s.quitRequested = true;
        s.quitStatus = 0;
    }
    if (s.inEventLoop) QCoreApplication::exit(s.quitStatus);
}

ModalResult Form::showModal() {
    Impl& d = *impl_;
    d.modalResult = ModalResult::None;
    d.window->setWindowModality(Qt::ApplicationModal);
    show();
    if (d.modalResult == ModalResult::None && d.window->isVisible()) {
        QEventLoop loop;
        d.modalLoop = &loop;
        loop.exec(QEventLoop::DialogExec);
        d.modalLoop = nullptr;
    }
    d.window->hide();
    d.window->setWindowModality(Qt::NonModal);
    return d.modalResult == ModalResult::None ? ModalResult::Cancel : d.modalResult;
}

void Form::setModalResult(ModalResult r) {
    if (r == ModalResult::None) return;
    impl_->modalResult = r;
    if (impl_->modalLoop) impl_->modalLoop->quit();
}

void Form::minimize() { impl_->window->showMinimized(); }
bool Form::isActive() const { return impl_->window->isActiveWindow(); }
void Form::activate() { impl_->raiseAndActivate(); }

// The offscreen platform (tests, headless runs) has no stacking to change.
void Form::Impl::raiseAndActivate() {
    if (QGuiApplication::platformName() != QLatin1String("offscreen")) window->raise();
    window->activateWindow();
}

void Form::repaintNow() { impl_->window->repaint(); }

void Form::showOnScreen(int timeoutMs) {
    show();
    QWidget* w = impl_->window;
    QElapsedTimer elapsed;
    elapsed.start();
    for (;;) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        const QWindow* handle = w->windowHandle();
        if (!w->isVisible() || (handle && handle->isExposed()) || elapsed.elapsed() >= timeoutMs) break;
        QThread::msleep(2);
    }
    w->repaint();
}

static QScreen* screenOf(const QWidget* w) {
    QScreen* s = w->screen();
    return s ? s : QGuiApplication::primaryScreen();
}

// Qt counts a window's pixels per inch in its own (logical) pixels, after
// dividing the desktop's density by the scaling it applies itself (the
// device pixel ratio: 120 pixels per inch show as 96 at a ratio of 1.25).
// Multiplying back gives the screen's density in its device pixels. Below
// 96 Qt does not scale down: the ratio is 1 and the logical value is the
// density (72).
int Form::pixelsPerInch() const {
    QScreen* s = screenOf(impl_->window);
    if (!s) return 96;
    return static_cast<int>(std::lround(s->logicalDotsPerInchY() * s->devicePixelRatio()));
}

double Form::devicePixelRatio() const { return impl_->window->devicePixelRatioF(); }

void Form::scaleBy(int num, int den) {
    if (num <= 0 || den <= 0) return;
    for (Control* c : impl_->controls) c->scaleBy(num, den);
    Impl& d = *impl_;
    // The client size follows the composed factor from the unscaled size,
    // so that it never drifts by a rounding, however many scalings.
    if (!d.unscaledClient) d.unscaledClient = d.surface->size();
    d.scaleNum *= num;
    d.scaleDen *= den;
    const long long g = std::gcd(d.scaleNum, d.scaleDen);
    d.scaleNum /= g;
    d.scaleDen /= g;
    setClientSize(scaled(d.unscaledClient->width()), scaled(d.unscaledClient->height()));
}

void Form::scaleTo(int num, int den) {
    if (num <= 0 || den <= 0) return;
    long long n = static_cast<long long>(num) * impl_->scaleDen, m = static_cast<long long>(den) * impl_->scaleNum;
    const long long g = std::gcd(n, m);
    n /= g;
    m /= g;
    if (n == m) return;
    scaleBy(static_cast<int>(n), static_cast<int>(m));
}

int Form::scaled(int designPixels) const {
    const long long p = designPixels * impl_->scaleNum, den = impl_->scaleDen, h = den / 2;
    return static_cast<int>(p >= 0 ? (p + h) / den : (p - h) / den);
}

std::pair<int, int> Form::toDesign(int x, int y) const {
    const auto down = [&](int v) {
        const long long p = v * impl_->scaleDen, num = impl_->scaleNum;
        return static_cast<int>(p >= 0 ? p / num : -((-p + num - 1) / num));
    };
    return {down(x), down(y)};
}

int Form::screenWidth() const {
    QScreen* s = screenOf(impl_->window);
    return s ? s->geometry().width() : 0;
}

int Form::screenHeight() const {
    QScreen* s = screenOf(impl_->window);
    return s ? s->geometry().height() : 0;
}

design::Bounds Form::availableArea() const {
    QScreen* s = screenOf(impl_->window);
    if (!s) return {};
    const QRect r = s->availableGeometry();
    return {r.x(), r.y(), r.width(), r.height()};
}

// Inside a mouse handler: where that press or release happened. Elsewhere:
// the pointer's current position.
std::pair<int, int> Form::cursorPos() const {
    const QPoint p = impl_->eventPos ? *impl_->eventPos : impl_->surface->mapFromGlobal(QCursor::pos());
    return {p.x(), p.y()};
}

Bitmap Form::grab() const {
    return bitmapFromImage(impl_->window->grab(impl_->surface->geometry()).toImage());
}

void Form::setKeyPreview(bool on) {
    if (on == static_cast<bool>(impl_->preview)) return;
    if (on)
        impl_->preview = std::make_unique<KeyPreviewFilter>(*this);
    else
        impl_->preview.reset();
}

}  // namespace vos
