#include "app/ControlProperties.h"

#include <QLabel>
#include <QVariant>

namespace Kadex::App::ControlProperties {

namespace {

constexpr char TypeProperty[] = "controlType";
constexpr char IndexProperty[] = "controlIndex";
constexpr char TagProperty[] = "controlTag";
constexpr char HelpIdProperty[] = "helpId";
constexpr char CaptionProperty[] = "caption";

} // namespace

void describe(QWidget *control, const QString &name, const QString &typeName, int helpId, std::optional<int> index,
              const QString &tag)
{
    control->setObjectName(name);
    control->setProperty(TypeProperty, typeName);
    control->setProperty(TagProperty, tag);
    control->setProperty(HelpIdProperty, helpId);
    if (index) {
        control->setProperty(IndexProperty, *index);
    }
}

QString typeNameOf(const QWidget *control)
{
    return control->property(TypeProperty).toString();
}

std::optional<int> indexOf(const QWidget *control)
{
    const QVariant index = control->property(IndexProperty);
    return index.isValid() ? std::optional<int>(index.toInt()) : std::nullopt;
}

QString tagOf(const QWidget *control)
{
    return control->property(TagProperty).toString();
}

int helpIdOf(const QWidget *control)
{
    return control->property(HelpIdProperty).toInt();
}

QString shownText(const QString &caption)
{
    QString shown;
    shown.reserve(caption.size());
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == QLatin1Char('&')) {
            if (i + 1 < caption.size() && caption[i + 1] == QLatin1Char('&')) {
                shown += QLatin1Char('&');
                ++i;
            }
            continue;
        }
        shown += caption[i];
    }
    return shown;
}

void setLabelCaption(QLabel *label, const QString &caption)
{
    label->setProperty(CaptionProperty, caption);
    label->setText(shownText(caption));
}

QString labelCaption(const QLabel *label)
{
    return label->property(CaptionProperty).toString();
}

} // namespace Kadex::App::ControlProperties
