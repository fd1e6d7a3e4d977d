#include "tests/support/FakeUiPort.h"

#include <gtest/gtest.h>

namespace Kadex::Test {

FakeUiPort::~FakeUiPort()
{
    EXPECT_TRUE(m_answers.empty()) << m_answers.size() << " queued answer(s) were never asked for";
}

Diag::Answer FakeUiPort::doShowMessage(const Diag::MessageBox &box)
{
    boxes.append(box);
    if (onBox) {
        onBox();
    }
    if (!m_answers.empty()) {
        const Diag::Answer answer = m_answers.front();
        m_answers.pop_front();
        return answer;
    }
    if (!m_defaults) {
        ADD_FAILURE() << "unexpected message box \"" << box.title.toStdString() << "\": " << box.text.toStdString();
    }
    return box.defaultButton;
}

void FakeUiPort::setBusy(bool value)
{
    busy = value;
    busyChanges.append(value);
}

} // namespace Kadex::Test
