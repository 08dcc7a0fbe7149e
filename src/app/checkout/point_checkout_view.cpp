#include "app/checkout/point_checkout_view.h"

#include <QAccessible>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFile>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

#include "app/checkout/point_checkout_marks.h"
#include "app/checkout/point_checkout_session.h"
#include "app/user_prompts.h"
#include "core/display_text.h"
#include "core/text_codec.h"

namespace vaskiro::app {

namespace {

using bacnet::PointKind;

QString outputsText(const std::vector<int>& channels) {
    QStringList points;
    for (int channel : channels) points << QStringLiteral("output.%1").arg(channel);
    return points.join(QStringLiteral(", "));
}

QString releaseFailed(const std::vector<int>& stillHeld) {
    return QObject::tr("RELEASE FAILED: these outputs are still commanded at priority 8 on the device: %1.")
        .arg(outputsText(stillHeld));
}

QLabel* textLine(const QString& name, const QString& description) {
    auto* label = new QLabel;
    label->setObjectName(name);
    label->setAccessibleDescription(description);  // the name a screen reader gives it is its text
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    label->setMinimumHeight(2 * label->fontMetrics().lineSpacing());  // room to wrap without the view growing
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

}  // namespace

PointCheckoutView::PointCheckoutView(const core::ConfigurationImage& image, UserPrompts& prompts, QWidget* parent)
    : QDialog(parent), m_prompts(prompts) {
    setObjectName(QStringLiteral("PointCheckoutView"));
    setWindowTitle(tr("Point Checkout"));
    setAttribute(Qt::WA_DeleteOnClose);
    const auto configuredName = [&image](PointKind kind) {
        return [&image, kind](int channel) {
            return QString::fromStdString(
                core::escapeControlCharacters(core::fromWindows1252(image.name(bacnet::nameGroup(kind), channel))));
        };
    };
    const auto command = [this](int channel, std::optional<bool> active) {
        if (m_leaving == Leaving::No || m_leaving == Leaving::ReleaseFailed) m_session->command(channel, active);
    };
    m_rows.reserve(40);
    auto* content = new QWidget;
    auto* columns = new QHBoxLayout(content);
    auto* left = new QVBoxLayout;
    auto* right = new QVBoxLayout;
    columns->addLayout(left);
    columns->addLayout(right);
    auto* inputs =
        makePointGroup(PointKind::Input, 16, tr("Inputs"), configuredName(PointKind::Input), m_rows, command);
    auto* outputs =
        makePointGroup(PointKind::Output, 16, tr("Outputs"), configuredName(PointKind::Output), m_rows, command);
    auto* analogues =
        makePointGroup(PointKind::Analogue, 8, tr("Analogues"), configuredName(PointKind::Analogue), m_rows, command);
    left->addWidget(inputs);
    left->addWidget(analogues);
    left->addStretch();

    m_status = textLine(QStringLiteral("CheckoutStatus"), tr("Checkout status"));
    m_status->setText(tr("Looking for the device on the network..."));
    right->addWidget(m_status);
    right->addWidget(outputs);
    m_heldLabel = textLine(QStringLiteral("HeldOutputs"), tr("Outputs held by this checkout"));
    right->addWidget(m_heldLabel);
    m_readBack = textLine(QStringLiteral("CommandReadBack"), tr("What the device shows after the last command"));
    right->addWidget(m_readBack);
    m_leftoverLabel = textLine(QStringLiteral("LeftoverOutputs"), tr("Outputs held before this checkout"));
    right->addWidget(m_leftoverLabel);
    m_releaseLeftovers = addButton(tr("Release Those"), QStringLiteral("ReleaseLeftoversButton"),
                                   tr("Release the outputs held before this checkout"));
    right->addWidget(m_releaseLeftovers, 0, Qt::AlignLeft);
    for (QWidget* shownLater : {static_cast<QWidget*>(m_leftoverLabel), static_cast<QWidget*>(m_releaseLeftovers)}) {
        QSizePolicy policy = shownLater->sizePolicy();
        policy.setRetainSizeWhenHidden(true);  // the view keeps its size when they appear
        shownLater->setSizePolicy(policy);
        shownLater->hide();
    }
    right->addStretch();
    auto* save = addButton(tr("Save Checked Marks..."), QStringLiteral("SaveCheckoutButton"),
                           tr("Save the checked marks and values as CSV"));
    m_retry = addButton(tr("Retry Release"), QStringLiteral("RetryReleaseButton"),
                        tr("Retry releasing the held outputs, then close"));
    m_retry->hide();
    auto* close = addButton(tr("Close"), QStringLiteral("CloseCheckoutButton"),
                            tr("Close the checkout, releasing the held outputs"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(save);
    buttons->addStretch();
    buttons->addWidget(m_retry);
    buttons->addWidget(close);
    right->addLayout(buttons);

    // Scrolls only where the screen is smaller than the view; the points take the focus, not the area.
    auto* scroll = new QScrollArea;
    scroll->setObjectName(QStringLiteral("CheckoutPoints"));
    scroll->setFocusPolicy(Qt::NoFocus);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidget(content);
    scroll->setWidgetResizable(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scroll);
    QSize wanted = content->sizeHint() + QSize(4, 4);
    if (const QScreen* screen = this->screen()) wanted = wanted.boundedTo(screen->availableSize() - QSize(0, 40));
    resize(wanted);

    connect(save, &QPushButton::clicked, this, &PointCheckoutView::saveCsv);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    connect(m_retry, &QPushButton::clicked, this, [this] {
        m_retry->setEnabled(false);
        m_leaving = Leaving::Releasing;
        m_heldLabel->setText(tr("Releasing %1...").arg(outputsText(m_held)));
        m_session->releaseHeld();
    });
    connect(m_releaseLeftovers, &QPushButton::clicked, this, [this] {
        m_session->releaseLeftovers(m_leftovers);  // each release read back as any command is
        m_leftoverLabel->hide();
        m_releaseLeftovers->hide();
    });
    showHeld();

    m_session = new PointCheckoutSession(image, this);
    connect(m_session, &PointCheckoutSession::said, this, [this](const QString& text) {
        m_deviceLine = text;
        showStatus();
    });
    connect(m_session, &PointCheckoutSession::updated, this, &PointCheckoutView::showPoints);
    connect(m_session, &PointCheckoutSession::silence, this, &PointCheckoutView::showSilence);
    connect(m_session, &PointCheckoutSession::answersAgain, this, [this](const QString& text) {
        m_status->setText(m_deviceLine + ' ' + text);
        alert(m_status);
    });
    connect(m_session, &PointCheckoutSession::heldChanged, this, [this](const std::vector<int>& held) {
        m_held = held;
        showHeld();
    });
    connect(m_session, &PointCheckoutSession::leftoversFound, this, &PointCheckoutView::showLeftovers);
    connect(m_session, &PointCheckoutSession::commanded, m_readBack, &QLabel::setText);
    connect(m_session, &PointCheckoutSession::released, this, &PointCheckoutView::releaseFinished);
    connect(m_session, &PointCheckoutSession::ended, this, &PointCheckoutView::sessionEnded);
    connect(&m_ticks, &QTimer::timeout, this, &PointCheckoutView::tick);
    m_ticks.start(1000);
}

PointCheckoutView::~PointCheckoutView() = default;  // the session, a child, ends its thread

QPushButton* PointCheckoutView::addButton(const QString& text, const QString& name, const QString& spoken) {
    auto* button = new QPushButton(text);
    button->setObjectName(name);
    button->setAccessibleName(spoken);
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

void PointCheckoutView::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!m_rows.empty()) m_rows.front().checked->setFocus(Qt::OtherFocusReason);
}

void PointCheckoutView::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // The focused button's own action and nothing else: no default button stands behind Enter.
        if (auto* button = qobject_cast<QPushButton*>(focusWidget()); button && button->isEnabled()) button->click();
        event->accept();
        return;
    case Qt::Key_Escape:
        event->accept();
        close();
        return;
    default: QDialog::keyPressEvent(event);
    }
}

void PointCheckoutView::reject() { close(); }

void PointCheckoutView::showPoints(const std::vector<PointState>& points, const std::vector<std::size_t>& changed) {
    const QDateTime now = QDateTime::currentDateTime();
    for (std::size_t i = 0; i < points.size(); ++i) {
        const bacnet::Point& point = points[i].point;
        for (CheckoutRow& row : m_rows)
            if (row.state.point.kind == point.kind && row.state.point.channel == point.channel)
                showState(row, points[i], std::find(changed.begin(), changed.end(), i) != changed.end(), now);
    }
}

void PointCheckoutView::showSilence(const std::optional<QDateTime>& since) {
    if (since == m_silentSince) return;
    const bool news = since.has_value() != m_silentSince.has_value();
    m_silentSince = since;
    showStatus();
    if (news) alert(m_status);
}

void PointCheckoutView::showStatus() {
    m_status->setText(m_silentSince ? tr("%1 No reply since %2: the values shown are the last received.")
                                          .arg(m_deviceLine, m_silentSince->toString(QStringLiteral("HH:mm:ss")))
                                    : m_deviceLine);
}

void PointCheckoutView::alert(QWidget* line) {
    QAccessibleEvent event(line, QAccessible::Alert);  // said at once, wherever the focus is
    QAccessible::updateAccessibility(&event);
}

void PointCheckoutView::tick() {
    const QDateTime now = QDateTime::currentDateTime();
    for (CheckoutRow& row : m_rows) showAge(row, now);
}

void PointCheckoutView::showHeld() {
    m_heldLabel->setText(m_held.empty()
                             ? tr("No output is held.")
                             : tr("Held at priority 8: %1. Closing releases them.").arg(outputsText(m_held)));
}

void PointCheckoutView::showLeftovers(const std::vector<int>& channels, const QString& text) {
    m_leftovers = channels;
    m_leftoverLabel->setText(text);
    m_leftoverLabel->setVisible(!channels.empty());
    m_releaseLeftovers->setVisible(!channels.empty());
}

void PointCheckoutView::setCommandsEnabled(bool enabled) {
    for (QPushButton* button : findChildren<QPushButton*>())
        if (button->objectName().startsWith(QStringLiteral("Output"))) button->setEnabled(enabled);
}

bool PointCheckoutView::closeThen(std::function<void()> then) {
    if (m_leaving == Leaving::Done || !m_session->running()) return close();
    m_afterClose = std::move(then);
    close();
    // No, or a release still failed: the way out ends here, and the window stays as it was.
    if (m_leaving == Leaving::No || m_leaving == Leaving::ReleaseFailed) m_afterClose = nullptr;
    return false;
}

void PointCheckoutView::closeEvent(QCloseEvent* event) {
    if (m_leaving == Leaving::Done || !m_session->running()) {
        m_leaving = Leaving::Done;
        event->accept();
        if (auto then = std::exchange(m_afterClose, nullptr)) then();
        return;
    }
    event->ignore();
    switch (m_leaving) {
    case Leaving::Releasing:
    case Leaving::Finishing:
    case Leaving::Done: return;  // on the way out already
    case Leaving::ReleaseFailed:
        if (!m_prompts.askYesNo(this, tr("These outputs are still commanded at priority 8 on the device: %1. "
                                         "Close anyway and leave them commanded?")
                                          .arg(outputsText(m_stillHeld))))
            return;
        finish();
        return;
    case Leaving::No: break;
    }
    if (m_held.empty()) return finish();
    if (!m_prompts.askYesNo(this,
                            tr("Outputs are held at priority 8: %1. Release them and close?").arg(outputsText(m_held))))
        return;
    m_leaving = Leaving::Releasing;
    setCommandsEnabled(false);
    m_heldLabel->setText(tr("Releasing %1...").arg(outputsText(m_held)));
    m_session->releaseHeld();
}

void PointCheckoutView::releaseFinished(const std::vector<int>& stillHeld) {
    if (m_leaving != Leaving::Releasing) return;
    if (stillHeld.empty()) return finish();
    m_leaving = Leaving::ReleaseFailed;
    m_stillHeld = stillHeld;
    setCommandsEnabled(true);
    m_heldLabel->setText(releaseFailed(stillHeld) +
                         tr(" Retry, or release them with vaskiro drive FILE output.N release."));
    alert(m_heldLabel);
    m_retry->setEnabled(true);
    m_retry->show();
    m_retry->setFocus(Qt::OtherFocusReason);
}

void PointCheckoutView::finish() {
    m_leaving = Leaving::Finishing;
    setCommandsEnabled(false);
    m_heldLabel->setText(tr("Closing: cancelling the subscriptions..."));
    m_session->finish();
}

void PointCheckoutView::sessionEnded(const std::vector<int>& stillHeld) {
    if (m_leaving != Leaving::Finishing) {
        setCommandsEnabled(false);  // the device was never followed: nothing to command
        return;
    }
    if (!stillHeld.empty())
        m_prompts.showError(this,
                            releaseFailed(stillHeld) + tr(" Release them with vaskiro drive FILE output.N release."));
    m_leaving = Leaving::Done;
    close();
}

QString PointCheckoutView::checkedCsv() const { return checkoutMarksCsv(m_rows); }

void PointCheckoutView::saveCsv() {
    const QString path = m_prompts.askSaveCsvFileName(this);
    if (path.isEmpty()) return;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(checkedCsv().toUtf8()) < 0)
        m_prompts.showError(this, tr("Cannot save %1: %2").arg(path, file.errorString()));
}

}  // namespace vaskiro::app
