#include "app/WidgetLanguageControl.h"

#include "app/ControlProperties.h"
#include "diag/Failure.h"

#include <QAbstractButton>
#include <QLabel>

namespace Kadex::App {

namespace Props = ControlProperties;

QString WidgetLanguageControl::typeName() const
{
    return Props::typeNameOf(m_widget);
}

QString WidgetLanguageControl::name() const
{
    return m_widget->objectName();
}

int WidgetLanguageControl::index() const
{
    return Props::indexOf(m_widget).value_or(0);
}

QString WidgetLanguageControl::tag() const
{
    return Props::tagOf(m_widget);
}

int WidgetLanguageControl::helpId() const
{
    return Props::helpIdOf(m_widget);
}

QString WidgetLanguageControl::caption() const
{
    if (const auto *label = qobject_cast<const QLabel *>(m_widget)) {
        return Props::labelCaption(label);
    }
    if (const auto *button = qobject_cast<const QAbstractButton *>(m_widget)) {
        return button->text();
    }
    throw Diag::Failure::invalidArgument(QStringLiteral("Caption of ") + name());
}

void WidgetLanguageControl::setCaption(const QString &caption)
{
    if (auto *label = qobject_cast<QLabel *>(m_widget)) {
        Props::setLabelCaption(label, caption);
        return;
    }
    if (auto *button = qobject_cast<QAbstractButton *>(m_widget)) {
        button->setText(caption);
        return;
    }
    throw Diag::Failure::invalidArgument(QStringLiteral("Caption of ") + name());
}

void WidgetLanguageControl::setToolTip(const QString &toolTip)
{
    m_widget->setToolTip(toolTip);
}

} // namespace Kadex::App
