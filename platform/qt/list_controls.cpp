#include "platform/qt/list_controls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <algorithm>

#include "platform/qt/form_impl.h"
#include "platform/qt/guard.h"
#include "platform/qt/qt_convert.h"

namespace vos {

namespace {

// Runs a control's handler through the guard, never inside itself.
void runHandler(bool& busy, const std::function<void()>& h) {
    if (busy || !h) return;
    busy = true;
    const auto copy = h;
    guarded(copy);
    busy = false;
}

class ComboWidget final : public QComboBox {
public:
    explicit ComboWidget(QWidget* parent) : QComboBox(parent) { setInsertPolicy(QComboBox::NoInsert); }
    bool sorted = false;
    bool inChange = false;
};

class ProgressWidget final : public QWidget {
public:
    explicit ProgressWidget(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_OpaquePaintEvent); }
    int min = 0, max = 100, pos = 0;
    design::Rgb bar{0, 120, 215}, background{230, 230, 230};

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), qtconv::toQColor(background));
        if (max <= min || pos <= min) return;
        const long long filled = static_cast<long long>(width()) * (pos - min) / (max - min);
        p.fillRect(QRect(0, 0, static_cast<int>(filled), height()), qtconv::toQColor(bar));
    }
};

class ButtonWidget final : public QPushButton {
public:
    explicit ButtonWidget(QWidget* parent) : QPushButton(parent) {}
    bool inClick = false;
};

class CheckWidget final : public QCheckBox {
public:
    explicit CheckWidget(QWidget* parent) : QCheckBox(parent) {}
    bool inClick = false;
};

ComboWidget& combo(const ComboBox& c) { return *static_cast<ComboWidget*>(c.widget()); }
ProgressWidget& progress(const ProgressBar& p) { return *static_cast<ProgressWidget*>(p.widget()); }

void setBackground(QWidget* w, design::Rgb c) {
    QPalette pal = w->palette();
    for (auto role : {QPalette::Base, QPalette::Button, QPalette::Window})
        pal.setColor(role, qtconv::toQColor(c));
    w->setPalette(pal);
}

}  // namespace

// --- ComboBox ------------------------------------------------------------------

ComboBox::ComboBox(Form& owner, std::string name)
    : Control(owner, std::move(name), new ComboWidget(owner.impl().parentForControls())) {
    auto& w = combo(*this);
    // activated: only a choice of the user, never setCurrentIndex.
    QObject::connect(&w, &QComboBox::activated, &w, [this](int) { runHandler(combo(*this).inChange, onChange); });
}

void ComboBox::setStyle(ComboStyle s) {
    auto& w = combo(*this);
    const bool editable = s == ComboStyle::DropDown;
    if (editable == w.isEditable()) return;
    w.setEditable(editable);
    if (editable) {
        w.setInsertPolicy(QComboBox::NoInsert);
        // An editable list's text is its name until something is chosen.
        if (w.currentIndex() < 0) w.setEditText(qtconv::toQString(name()));
        QObject::connect(w.lineEdit(), &QLineEdit::textEdited, &w,
                         [this](const QString&) { runHandler(combo(*this).inChange, onChange); });
    }
}

void ComboBox::setSorted(bool on) {
    auto& w = combo(*this);
    w.sorted = on;
    if (!on || w.count() < 2) return;
    std::vector<std::string> items;
    for (int i = 0; i < w.count(); ++i) items.push_back(item(i));
    const std::string selected = w.currentIndex() >= 0 ? item(w.currentIndex()) : std::string();
    const bool hadSelection = w.currentIndex() >= 0;
    std::stable_sort(items.begin(), items.end());
    const QSignalBlocker block(&w);
    const QString edit = w.isEditable() ? w.currentText() : QString();
    w.clear();
    for (const auto& s : items) w.addItem(qtconv::toQString(s));
    w.setCurrentIndex(hadSelection ? w.findText(qtconv::toQString(selected)) : -1);
    if (w.isEditable()) w.setEditText(edit);
}

void ComboBox::setFont(const FontSpec& f) { widget()->setFont(qtconv::toQFont(f)); }
void ComboBox::setColor(design::Rgb background) { setBackground(widget(), background); }

// Adding an item never selects it (Qt would select the first item of a list).
int ComboBox::add(const std::string& utf8) {
    auto& w = combo(*this);
    int index = w.count();
    if (w.sorted) {
        index = 0;
        while (index < w.count() && !(utf8 < item(index))) ++index;
    }
    const QSignalBlocker block(&w);
    const int before = w.currentIndex();
    const QString edit = w.isEditable() ? w.currentText() : QString();
    w.insertItem(index, qtconv::toQString(utf8));
    if (before < 0 && w.currentIndex() >= 0) {
        w.setCurrentIndex(-1);
        if (w.isEditable()) w.setEditText(edit);
    }
    return index;
}

// Removing the selected item leaves nothing selected.
void ComboBox::remove(int index) {
    auto& w = combo(*this);
    if (index < 0 || index >= w.count()) return;
    const QSignalBlocker block(&w);
    const bool wasSelected = index == w.currentIndex();
    w.removeItem(index);
    if (wasSelected) w.setCurrentIndex(-1);
}

void ComboBox::clear() {
    auto& w = combo(*this);
    const QSignalBlocker block(&w);
    w.clear();
}

int ComboBox::count() const { return combo(*this).count(); }

std::string ComboBox::item(int index) const {
    const auto& w = combo(*this);
    if (index < 0 || index >= w.count()) return {};
    return qtconv::toStd(w.itemText(index));
}

int ComboBox::itemIndex() const { return combo(*this).currentIndex(); }

void ComboBox::setItemIndex(int index) {
    auto& w = combo(*this);
    if (index < 0 || index >= w.count()) index = -1;
    const QSignalBlocker block(&w);
    w.setCurrentIndex(index);
}

std::string ComboBox::text() const {
    const auto& w = combo(*this);
    if (w.isEditable()) return qtconv::toStd(w.currentText());
    return w.currentIndex() >= 0 ? qtconv::toStd(w.itemText(w.currentIndex())) : std::string();
}

// A plain list selects the item of that text (or nothing); an editable one
// shows the text as typed.
void ComboBox::setText(const std::string& utf8) {
    auto& w = combo(*this);
    const QSignalBlocker block(&w);
    if (w.isEditable())
        w.setEditText(qtconv::toQString(utf8));
    else
        w.setCurrentIndex(w.findText(qtconv::toQString(utf8), Qt::MatchExactly | Qt::MatchCaseSensitive));
}

// --- ProgressBar -----------------------------------------------------------------

ProgressBar::ProgressBar(Form& owner, std::string name)
    : Control(owner, std::move(name), new ProgressWidget(owner.impl().parentForControls())) {}

void ProgressBar::setRange(int min, int max) {
    auto& w = progress(*this);
    w.min = min;
    w.max = std::max(min, max);
    w.pos = std::clamp(w.pos, w.min, w.max);
    w.update();
}

int ProgressBar::position() const { return progress(*this).pos; }

void ProgressBar::setPosition(int pos) {
    auto& w = progress(*this);
    pos = std::clamp(pos, w.min, w.max);
    if (pos == w.pos) return;
    w.pos = pos;
    w.update();
}

void ProgressBar::setBarColor(design::Rgb c) {
    progress(*this).bar = c;
    widget()->update();
}

void ProgressBar::setBackgroundColor(design::Rgb c) {
    progress(*this).background = c;
    widget()->update();
}

design::Rgb ProgressBar::barColor() const { return progress(*this).bar; }
design::Rgb ProgressBar::backgroundColor() const { return progress(*this).background; }

// --- Button, CheckBox ------------------------------------------------------------

Button::Button(Form& owner, std::string name)
    : Control(owner, std::move(name), new ButtonWidget(owner.impl().parentForControls())) {
    auto* w = static_cast<ButtonWidget*>(widget());
    QObject::connect(w, &QPushButton::clicked, w, [this, w] { runHandler(w->inClick, onClick); });
}

void Button::setCaption(const std::string& utf8) {
    static_cast<QPushButton*>(widget())->setText(qtconv::toQString(utf8));
}

std::string Button::caption() const { return qtconv::toStd(static_cast<QPushButton*>(widget())->text()); }

void Button::setFont(const FontSpec& f) { widget()->setFont(qtconv::toQFont(f)); }

// onClick follows the user's clicks only; setChecked raises nothing.
CheckBox::CheckBox(Form& owner, std::string name)
    : Control(owner, std::move(name), new CheckWidget(owner.impl().parentForControls())) {
    auto* w = static_cast<CheckWidget*>(widget());
    QObject::connect(w, &QCheckBox::clicked, w, [this, w](bool) { runHandler(w->inClick, onClick); });
}

void CheckBox::setCaption(const std::string& utf8) {
    static_cast<QCheckBox*>(widget())->setText(qtconv::toQString(utf8));
}

bool CheckBox::checked() const { return static_cast<QCheckBox*>(widget())->isChecked(); }

void CheckBox::setChecked(bool on) {
    auto* w = static_cast<QCheckBox*>(widget());
    const QSignalBlocker block(w);
    w->setChecked(on);
}

}  // namespace vos
