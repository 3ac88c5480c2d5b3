#include "tests/support/ModalAnswer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QPushButton>
#include <QTimer>

ModalAnswer::ModalAnswer(QMessageBox::StandardButton button, QObject* parent)
    : QObject(parent)
    , answer(button)
{
    QTimer::singleShot(10, this, SLOT(poll()));
}

void ModalAnswer::poll()
{
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) {
        QTimer::singleShot(10, this, SLOT(poll()));
        return;
    }
    seen = true;
    title = box->windowTitle();
    text = box->text();
    buttons = box->standardButtons();
    if (QPushButton* def = box->defaultButton())
        defaultButton = box->standardButton(def);
    QAbstractButton* target = box->button(answer);
    if (!target && !box->buttons().isEmpty())
        target = box->buttons().first();
    if (target)
        target->click();
    else
        box->close();
}
