#include "app/point_checkout_view.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDateTime>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>

#include "app/user_prompts.h"
#include "core/bacnet_numbers.h"
#include "core/display_text.h"
#include "core/engineering_units.h"
#include "core/text_codec.h"

namespace vaskiro::app {

namespace {

using bacnet::PointKind;
using Clock = std::chrono::steady_clock;
constexpr std::uint8_t kPriority = 8;

QString prefix(PointKind kind) {
    return kind == PointKind::Input    ? QStringLiteral("Input")
           : kind == PointKind::Output ? QStringLiteral("Output")
                                       : QStringLiteral("Analogue");
}

config::NameGroup nameGroup(PointKind kind) {
    return kind == PointKind::Input    ? config::NameGroup::Input
           : kind == PointKind::Output ? config::NameGroup::Output
                                       : config::NameGroup::Analogue;
}

QString valueText(const bacnet::Point& point) {
    if (!point.error.empty())
        return QObject::tr("no value: %1").arg(QString::fromStdString(core::escapeControlCharacters(point.error)));
    if (!point.value) return QStringLiteral("-");
    if (const auto* state = std::get_if<bacnet::Enumerated>(&*point.value))
        return state->value ? QObject::tr("on") : QObject::tr("off");
    if (const auto* real = std::get_if<float>(&*point.value)) {
        QString text = QString::number(static_cast<double>(*real), 'g', 7);
        if (point.units) text += ' ' + QString::fromUtf8(units::EngineeringUnitName(*point.units).data());
        return text;
    }
    return QObject::tr("a value of another type");
}

QString csvField(const QString& text) { return '"' + QString(text).replace('"', QStringLiteral("\"\"")) + '"'; }

}  // namespace

PointCheckoutView::PointCheckoutView(const config::ConfigurationImage& image, UserPrompts& prompts, QWidget* parent)
    : QDialog(parent), m_image(image), m_prompts(prompts) {
    setObjectName(QStringLiteral("PointCheckoutView"));
    setWindowTitle(tr("Point Checkout"));
    setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout(this);
    m_status = new QLabel(tr("Looking for the device on the network..."));
    m_status->setObjectName(QStringLiteral("CheckoutStatus"));
    m_status->setAccessibleName(tr("Checkout status"));
    m_status->setWordWrap(true);
    layout->addWidget(m_status);
    auto* groups = new QWidget;
    auto* columns = new QHBoxLayout(groups);
    auto* left = new QVBoxLayout;
    auto* right = new QVBoxLayout;
    columns->addLayout(left);
    columns->addLayout(right);
    m_rows.reserve(40);
    addGroup(PointKind::Input, 16, tr("Inputs"), left);
    addGroup(PointKind::Output, 16, tr("Outputs"), right);
    addGroup(PointKind::Analogue, 8, tr("Analogues"), right);
    left->addStretch();
    right->addStretch();
    auto* scroll = new QScrollArea;
    scroll->setObjectName(QStringLiteral("CheckoutPoints"));
    scroll->setWidget(groups);
    scroll->setWidgetResizable(true);
    layout->addWidget(scroll, 1);
    m_heldLabel = new QLabel;
    m_heldLabel->setObjectName(QStringLiteral("HeldOutputs"));
    m_heldLabel->setAccessibleName(tr("Outputs held"));
    layout->addWidget(m_heldLabel);
    auto* save = new QPushButton(tr("Save Checked Marks..."));
    save->setObjectName(QStringLiteral("SaveCheckoutButton"));
    save->setAccessibleName(tr("Save the checked marks and values as CSV"));
    connect(save, &QPushButton::clicked, this, &PointCheckoutView::saveCsv);
    auto* close = new QPushButton(tr("Close"));
    close->setObjectName(QStringLiteral("CloseCheckoutButton"));
    close->setAccessibleName(tr("Close the checkout, releasing the held outputs"));
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(save);
    buttons->addStretch();
    buttons->addWidget(close);
    layout->addLayout(buttons);
    showHeld();
    resize(1180, 760);
    m_thread = std::thread([this] { follow(); });
}

PointCheckoutView::~PointCheckoutView() { stop(); }

void PointCheckoutView::addGroup(PointKind kind, int count, const QString& title, QVBoxLayout* into) {
    auto* box = new QGroupBox(title);
    box->setObjectName(prefix(kind) + QStringLiteral("Group"));
    auto* grid = new QGridLayout(box);
    for (int n = 1; n <= count; ++n) {
        const QString id = prefix(kind) + QString::number(n);
        const QString point = QString::fromLatin1(bacnet::kindName(kind)) + '.' + QString::number(n);
        Row row;
        row.point.kind = kind;
        row.point.channel = n;
        auto label = [&](const QString& name, const QString& text, const QString& accessible) {
            auto* widget = new QLabel(text);
            widget->setObjectName(prefix(kind) + name + QString::number(n));
            widget->setAccessibleName(accessible + ' ' + point);
            return widget;
        };
        const std::string configured = config::fromWindows1252(m_image.name(nameGroup(kind), n));
        grid->addWidget(
            label(QStringLiteral("Name"),
                  point + "  " + QString::fromStdString(core::escapeControlCharacters(configured)), tr("Name of")),
            n, 0);
        grid->addWidget(row.value = label(QStringLiteral("Value"), QStringLiteral("-"), tr("Value of")), n, 1);
        grid->addWidget(row.changed = label(QStringLiteral("Changed"), QString(), tr("Last change of")), n, 2);
        grid->addWidget(row.mark = label(QStringLiteral("Mark"), QString(), tr("Change mark of")), n, 3);
        row.mark->setMinimumWidth(16);
        row.checked = new QCheckBox(tr("checked"));
        row.checked->setObjectName(prefix(kind) + QStringLiteral("Checked") + QString::number(n));
        row.checked->setAccessibleName(tr("Checked %1").arg(point));
        grid->addWidget(row.checked, n, 4);
        if (kind == PointKind::Output) {
            const std::pair<QString, std::optional<bool>> commands[] = {
                {tr("On"), true}, {tr("Off"), false}, {tr("Release"), std::nullopt}};
            int column = 5;
            for (const auto& [text, active] : commands) {
                auto* button = new QPushButton(text);
                button->setObjectName(QStringLiteral("Output") + text + QString::number(n));
                button->setAccessibleName(tr("%1 %2").arg(text, point));
                connect(button, &QPushButton::clicked, this, [this, n, active = active] { command(n, active); });
                grid->addWidget(button, n, column++);
            }
        }
        m_rows.push_back(std::move(row));
    }
    into->addWidget(box);
}

void PointCheckoutView::post(std::function<void()> onWindowThread) {
    QMetaObject::invokeMethod(this, std::move(onWindowThread), Qt::QueuedConnection);
}

void PointCheckoutView::follow() {
    std::string error, warning;
    const std::int32_t port = m_image.bacnetPort();
    const bool portUsable = port > 0 && port <= core::kLargestUdpPort;
    const bacnet::Endpoint to{
        m_image.dhcpEnable() ? config::Octets{255, 255, 255, 255} : m_image.address(config::AddressField::IPAddress),
        static_cast<std::uint16_t>(portUsable ? port : core::kDefaultBacnetPort)};
    auto client = bacnet::Client::open(to.port, error, warning);
    const std::uint32_t instance = m_image.objectIdentifier();
    const auto device = client ? bacnet::findDevice(*client, to, instance, std::chrono::seconds(3)) : std::nullopt;
    auto say = [this](const std::string& text) {
        post([this, text = QString::fromStdString(core::escapeControlCharacters(text))] { m_status->setText(text); });
    };
    if (!device) {
        say(client ? "Nothing answered as BACnet device " + std::to_string(instance) + " at " +
                         bacnet::formatEndpoint(to) + ". Check the device, its address and port, and the network."
                   : error);
        return;
    }
    client->setRetryInterval(std::chrono::milliseconds(1000));
    bacnet::PointCheckout checkout(*client, device->address, instance, [this] { return m_stop.load(); });
    if (std::string why = checkout.findPoints(); !why.empty()) return say("The points could not be found: " + why);
    checkout.readAll();
    for (const bacnet::Point& point : checkout.points()) post([this, point] { showPoint(point, false); });
    checkout.subscribeAll(300);
    std::size_t subscribed = 0;
    for (const bacnet::Point& point : checkout.points()) subscribed += point.subscribed ? 1 : 0;
    say("BACnet device " + std::to_string(instance) + " at " + bacnet::formatEndpoint(device->address) + ": " +
        std::to_string(subscribed) + " points by COV, " + std::to_string(checkout.points().size() - subscribed) +
        " read every second.");
    while (!m_stop) {
        checkout.follow(Clock::now() + std::chrono::milliseconds(200),
                        [&](std::size_t i) { post([this, point = checkout.points()[i]] { showPoint(point, true); }); });
        std::deque<std::pair<int, std::optional<bool>>> commands;
        {
            std::lock_guard lock(m_commandsMutex);
            commands.swap(m_commands);
        }
        for (const auto& [channel, active] : commands) {
            const std::string why = checkout.command(channel, active, kPriority);
            if (!why.empty()) say("output." + std::to_string(channel) + " was not commanded: " + why);
            post([this, held = checkout.held()] {
                m_held = held;
                showHeld();
            });
        }
    }
    m_stillHeld = checkout.releaseAll();
    checkout.cancelSubscriptions();
}

PointCheckoutView::Row* PointCheckoutView::rowOf(const bacnet::Point& point) {
    for (Row& row : m_rows)
        if (row.point.kind == point.kind && row.point.channel == point.channel) return &row;
    return nullptr;
}

void PointCheckoutView::showPoint(const bacnet::Point& point, bool change) {
    Row* row = rowOf(point);
    if (!row) return;
    row->point = point;
    row->value->setText(valueText(point));
    if (!change) return;
    row->changed->setText(QDateTime::currentDateTime().toString(QStringLiteral("HH:mm:ss.zzz")));
    row->mark->setText(QStringLiteral("\u25CF"));
    QTimer::singleShot(1000, row->mark, [mark = row->mark] { mark->clear(); });
}

void PointCheckoutView::command(int channel, std::optional<bool> active) {
    std::lock_guard lock(m_commandsMutex);
    m_commands.emplace_back(channel, active);
}

void PointCheckoutView::showHeld() {
    if (m_held.empty()) {
        m_heldLabel->setText(tr("No output is held."));
        return;
    }
    QStringList points;
    for (int channel : m_held) points << QStringLiteral("output.%1").arg(channel);
    m_heldLabel->setText(tr("Held at priority 8: %1. Closing releases them.").arg(points.join(QStringLiteral(", "))));
}

void PointCheckoutView::stop() {
    m_stop = true;
    if (m_thread.joinable()) m_thread.join();
}

void PointCheckoutView::closeEvent(QCloseEvent* event) {
    if (!m_held.empty() &&
        !m_prompts.askYesNo(this, tr("Outputs are held: %1. Release them and close?").arg(m_heldLabel->text()))) {
        event->ignore();
        return;
    }
    stop();
    if (!m_stillHeld.empty()) {
        QStringList points;
        for (int channel : m_stillHeld) points << QStringLiteral("output.%1").arg(channel);
        m_prompts.showError(this, tr("RELEASE FAILED: these outputs are still commanded at priority 8 on the device: "
                                     "%1. Release them with vaskiro drive FILE output.N release.")
                                      .arg(points.join(QStringLiteral(", "))));
    }
    event->accept();
}

QString PointCheckoutView::checkedCsv() const {
    QString csv = QStringLiteral("point,object,name,value,last change,checked\n");
    for (const Row& row : m_rows) {
        const QString point =
            QString::fromLatin1(bacnet::kindName(row.point.kind)) + '.' + QString::number(row.point.channel);
        static const char* const types[] = {"binary-input", "binary-output", "analog-input"};
        const QString object = row.point.object.type == bacnet::kDeviceObjectType
                                   ? QString()
                                   : QStringLiteral("%1,%2")
                                         .arg(QLatin1String(types[static_cast<int>(row.point.kind)]))
                                         .arg(row.point.object.instance);
        const std::string name = config::fromWindows1252(m_image.name(nameGroup(row.point.kind), row.point.channel));
        csv += QStringList{point,
                           csvField(object),
                           csvField(QString::fromStdString(name)),
                           csvField(row.value->text()),
                           row.changed->text(),
                           row.checked->isChecked() ? QStringLiteral("yes") : QStringLiteral("no")}
                   .join(',') +
               '\n';
    }
    return csv;
}

void PointCheckoutView::saveCsv() {
    const QString path = m_prompts.askSaveCsvFileName(this);
    if (path.isEmpty()) return;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(checkedCsv().toUtf8()) < 0)
        m_prompts.showError(this, tr("Cannot save %1: %2").arg(path, file.errorString()));
}

}  // namespace vaskiro::app
