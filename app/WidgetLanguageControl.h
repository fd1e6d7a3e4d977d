#pragma once

#include "diag/LanguageTexts.h"

#include <QString>

class QWidget;

namespace Kadex::App {

// A control of the window, seen through its name, index, tag and help id properties.
class WidgetLanguageControl : public Diag::LanguageControl
{
public:
    explicit WidgetLanguageControl(QWidget *widget) : m_widget(widget) {}

    QString typeName() const override;
    QString name() const override;
    int index() const override;
    QString tag() const override;
    int helpId() const override;
    QString caption() const override;
    void setCaption(const QString &caption) override;
    void setToolTip(const QString &toolTip) override;

private:
    QWidget *m_widget;
};

} // namespace Kadex::App
