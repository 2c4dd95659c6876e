#include "support/Controls.h"

#include <QAbstractButton>
#include <QTest>

namespace quarlo::test {

void click(QWidget& parent, const char* name) {
    QAbstractButton& button = child<QAbstractButton>(parent, name);
    QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(6, button.height() / 2));
}

} // namespace quarlo::test
