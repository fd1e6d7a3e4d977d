#pragma once

#include <QString>

#include <optional>

class QLabel;
class QWidget;

// What each control of the window carries besides its widget state: its type name, its index within a control
// array (members only), its tag and its help id. The language texts and the info display read them.
namespace Kadex::App::ControlProperties {

// Names a control: objectName = name, plus the dynamic properties below.
void describe(QWidget *control, const QString &name, const QString &typeName, int helpId = 0,
              std::optional<int> index = std::nullopt, const QString &tag = {});

QString typeNameOf(const QWidget *control);
std::optional<int> indexOf(const QWidget *control);
QString tagOf(const QWidget *control);
int helpIdOf(const QWidget *control);

// A label's caption as designed ("Zus.Eing.&& Ausg."); the label shows it as the window system of the design
// did: "&&" as one ampersand, a single "&" marks an access key and is not shown.
void setLabelCaption(QLabel *label, const QString &caption);
QString labelCaption(const QLabel *label);
// The text a label shows for a caption.
QString shownText(const QString &caption);

} // namespace Kadex::App::ControlProperties
