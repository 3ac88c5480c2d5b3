#ifndef TESTS_SUPPORT_MODALANSWER_H
#define TESTS_SUPPORT_MODALANSWER_H

// Answers the next modal message box that opens (a question or an About box) the way
// a user would, recording what it showed. Used from the GUI thread of widget tests.
#include <QMessageBox>
#include <QObject>
#include <QString>

class ModalAnswer : public QObject
{
    Q_OBJECT
public:
    // Polls for a message box and presses `button` in it (for an About box: its OK).
    explicit ModalAnswer(QMessageBox::StandardButton button, QObject* parent = nullptr);

    bool seen = false;
    QString title;
    QString text;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;

private Q_SLOTS:
    void poll();

private:
    QMessageBox::StandardButton answer;
};

#endif
