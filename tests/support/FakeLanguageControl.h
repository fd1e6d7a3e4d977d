#pragma once

#include "diag/LanguageTexts.h"

#include <QString>

namespace Kadex::Test {

// A control as the language texts see it, without a window: it keeps the caption and the tool-tip they set.
class FakeLanguageControl : public Diag::LanguageControl
{
public:
    FakeLanguageControl(QString type, QString name, int helpId, QString tag = {}, int index = 0,
                        QString caption = QStringLiteral("Text"))
        : m_type(std::move(type)), m_name(std::move(name)), m_helpId(helpId), m_tag(std::move(tag)), m_index(index),
          m_caption(std::move(caption))
    {
    }
    QString typeName() const override { return m_type; }
    QString name() const override { return m_name; }
    int index() const override { return m_index; }
    QString tag() const override { return m_tag; }
    int helpId() const override { return m_helpId; }
    QString caption() const override { return m_caption; }
    void setCaption(const QString &caption) override { m_caption = caption; }
    void setToolTip(const QString &text) override { toolTip = text; }

    QString toolTip = QStringLiteral("designed");

private:
    QString m_type;
    QString m_name;
    int m_helpId;
    QString m_tag;
    int m_index;
    QString m_caption;
};

} // namespace Kadex::Test
