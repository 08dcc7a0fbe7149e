#include "app/checkout/point_checkout_rows.h"

#include <QCheckBox>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

#include <tuple>

#include "core/display_text.h"
#include "core/engineering_units.h"

namespace vaskiro::app {

namespace {

using bacnet::PointKind;

QString prefix(PointKind kind) {
    return kind == PointKind::Input    ? QStringLiteral("Input")
           : kind == PointKind::Output ? QStringLiteral("Output")
                                       : QStringLiteral("Analogue");
}

QString durationText(qint64 seconds) {
    if (seconds < 60) return QObject::tr("%1 s").arg(seconds);
    if (seconds < 3600) return QObject::tr("%1 min").arg(seconds / 60);
    return QObject::tr("%1 h").arg(seconds / 3600);
}

// The age a screen reader is given: coarse while the value is fresh (the
// periodic read renews it every few seconds), so that the focused row's name
// changes when something worth saying does, not every second.
QString spokenAge(const CheckoutRow& row, const QDateTime& now) {
    if (!row.state.readAt) return QObject::tr("never received");
    const qint64 seconds = std::max<qint64>(0, row.state.readAt->secsTo(now));
    QString age = seconds < 10   ? QObject::tr("received just now")
                  : seconds < 60 ? QObject::tr("received %1 s ago").arg(seconds / 10 * 10)
                                 : QObject::tr("received %1 ago").arg(durationText(seconds));
    return row.state.stale ? QObject::tr("stale, %1").arg(age) : age;
}

void speak(CheckoutRow& row, const QDateTime& now) {
    const QString name =
        QObject::tr("%1 %2: %3, %4").arg(row.point, row.name, valueText(row.state.point), spokenAge(row, now));
    if (row.checked->accessibleName() != name) row.checked->setAccessibleName(name);  // announced as a name change
}

QLabel* fixedLabel(const QString& objectName, int width, Qt::Alignment alignment = Qt::AlignLeft) {
    auto* label = new QLabel;
    label->setObjectName(objectName);
    label->setFixedWidth(width);
    label->setAlignment(alignment | Qt::AlignVCenter);
    return label;
}

}  // namespace

QString ageText(const std::optional<QDateTime>& readAt, const QDateTime& now) {
    if (!readAt) return {};
    return QObject::tr("%1 ago").arg(durationText(std::max<qint64>(0, readAt->secsTo(now))));
}

QString valueText(const bacnet::Point& point) {
    if (!point.error.empty())
        return QObject::tr("no value: %1").arg(QString::fromStdString(core::escapeControlCharacters(point.error)));
    if (!point.value) return QStringLiteral("-");
    if (const auto* state = std::get_if<bacnet::Enumerated>(&*point.value))
        return state->value ? QObject::tr("on") : QObject::tr("off");
    if (const auto* real = std::get_if<float>(&*point.value)) {
        QString text = QString::number(static_cast<double>(*real), 'g', 7);
        if (point.units) text += ' ' + QString::fromUtf8(core::EngineeringUnitName(*point.units).data());
        return text;
    }
    return QObject::tr("a value of another type");
}

QGroupBox* makePointGroup(PointKind kind, int count, const QString& title,
                          const std::function<QString(int)>& configuredName, std::vector<CheckoutRow>& rows,
                          const std::function<void(int, std::optional<bool>)>& command) {
    auto* box = new QGroupBox(title);
    box->setObjectName(prefix(kind) + QStringLiteral("Group"));
    auto* grid = new QGridLayout(box);
    grid->setVerticalSpacing(2);
    const QFontMetrics metrics(box->font());
    const int pad = metrics.averageCharWidth();
    const auto width = [&](const QString& widest) { return metrics.horizontalAdvance(widest) + pad; };
    const int pointWidth = width(QStringLiteral("analogue.8"));
    const int nameWidth = metrics.averageCharWidth() * 14;
    const int valueWidth =
        kind == PointKind::Analogue ? metrics.averageCharWidth() * 24 : metrics.averageCharWidth() * 9;
    const int timeWidth = width(QStringLiteral("88:88:88"));
    const int ageWidth = width(QObject::tr("stale, %1 ago").arg(QObject::tr("%1 min").arg(59)));
    QStringList headers{QObject::tr("Point"),   QObject::tr("Name"),     QObject::tr("Value"),
                        QObject::tr("Changed"), QObject::tr("Received"), QObject::tr("Checked")};
    if (kind == PointKind::Output) headers << QObject::tr("Command");
    for (int column = 0; column < headers.size(); ++column) {
        auto* header = new QLabel(QStringLiteral("<b>%1</b>").arg(headers[column].toHtmlEscaped()));
        header->setObjectName(prefix(kind) + QStringLiteral("Header") + QString::number(column));
        grid->addWidget(header, 0, column, 1, column == 6 ? 3 : 1);
    }
    for (int n = 1; n <= count; ++n) {
        const auto id = [&](const char* column) { return prefix(kind) + QLatin1String(column) + QString::number(n); };
        CheckoutRow row;
        row.point = QString::fromLatin1(bacnet::kindName(kind)) + '.' + QString::number(n);
        row.name = configuredName(n);
        row.state.point.kind = kind;
        row.state.point.channel = n;
        auto* point = fixedLabel(id("Point"), pointWidth);
        point->setText(row.point);
        auto* name = fixedLabel(id("Name"), nameWidth);
        name->setText(metrics.elidedText(row.name, Qt::ElideRight, nameWidth));
        name->setToolTip(row.name);
        name->setAccessibleName(row.name);
        row.value = fixedLabel(id("Value"), valueWidth);
        row.changed = fixedLabel(id("Changed"), timeWidth);
        row.age = fixedLabel(id("Age"), ageWidth);
        row.checked = new QCheckBox;
        row.checked->setObjectName(id("Checked"));
        row.checked->setAccessibleDescription(QObject::tr("tick when %1 has been checked in the field").arg(row.point));
        QWidget* const cells[] = {point, name, row.value, row.changed, row.age};
        for (int column = 0; column < 5; ++column) grid->addWidget(cells[column], n, column);
        grid->addWidget(row.checked, n, 5, Qt::AlignHCenter);
        if (kind == PointKind::Output) {
            const std::tuple<const char*, QString, std::optional<bool>> commands[] = {
                {"On", QObject::tr("On"), true},
                {"Off", QObject::tr("Off"), false},
                {"Release", QObject::tr("Release"), std::nullopt}};
            const int buttonWidth = width(QObject::tr("Release")) + 2 * pad;
            int column = 6;
            for (const auto& [part, text, active] : commands) {
                auto* button = new QPushButton(text);
                button->setObjectName(id(part));
                button->setAccessibleName(QStringLiteral("%1 %2 %3").arg(text, row.point, row.name));
                button->setAutoDefault(false);
                button->setDefault(false);
                button->setFixedWidth(buttonWidth);
                QObject::connect(button, &QPushButton::clicked, box,
                                 [command, n, active = active] { command(n, active); });
                grid->addWidget(button, n, column++);
            }
        }
        row.value->setText(QStringLiteral("-"));
        speak(row, QDateTime::currentDateTime());
        rows.push_back(row);
    }
    return box;
}

void showState(CheckoutRow& row, const PointState& state, bool change, const QDateTime& now) {
    row.state = state;
    const QString value = valueText(state.point);
    row.value->setText(QFontMetrics(row.value->font()).elidedText(value, Qt::ElideRight, row.value->maximumWidth()));
    row.value->setToolTip(value);
    row.value->setEnabled(!state.stale);  // greyed: the device may hold something else by now
    if (change) row.changed->setText(now.toString(QStringLiteral("HH:mm:ss")));
    showAge(row, now);
}

void showAge(CheckoutRow& row, const QDateTime& now) {
    const QString age = ageText(row.state.readAt, now);
    row.age->setText(row.state.stale ? QObject::tr("stale, %1").arg(age.isEmpty() ? QObject::tr("never") : age) : age);
    speak(row, now);
}

}  // namespace vaskiro::app
