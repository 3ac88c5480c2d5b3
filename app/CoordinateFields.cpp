#include "app/CoordinateFields.h"

#include <QFontMetrics>
#include <QGridLayout>
#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionFrame>
#include <algorithm>

namespace {

// What QLineEdit keeps free on either side of its text, and the cursor's pixel after it.
const int textMargin = 2;
const int cursorWidth = 1;

} // namespace

int CoordinateFields::width(const QLineEdit* field)
{
    // The widest digit in every place: a font need not give its digits one width.
    const QFontMetrics metrics(field->font());
    QString widest;
    for (char digit = '0'; digit <= '9'; ++digit) {
        const QString text = QString("-%1.%2").arg(QString(3, QChar(digit)), QString(6, QChar(digit)));
        if (metrics.horizontalAdvance(text) > metrics.horizontalAdvance(widest))
            widest = text;
    }
    const QMargins margins = field->textMargins();
    const QSize text(metrics.horizontalAdvance(widest) + 2 * textMargin + cursorWidth + margins.left() + margins.right(),
                     metrics.height());
    // The frame as the style draws it around the text.
    QStyleOptionFrame option;
    option.initFrom(field);
    option.lineWidth = field->hasFrame() ? field->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, field) : 0;
    option.midLineWidth = 0;
    option.state |= QStyle::State_Sunken;
    option.features = QStyleOptionFrame::None;
    return std::max(text.width(), field->style()->sizeFromContents(QStyle::CT_LineEdit, &option, text, field).width());
}

void CoordinateFields::fit(const QList<QLineEdit*>& fields, QGridLayout* layout)
{
    int widest = 0;
    for (const QLineEdit* field : fields)
        widest = std::max(widest, width(field));
    // Two columns and the space between them make a field, exactly.
    const int spacing = layout->horizontalSpacing();
    widest += (widest - spacing) % 2;
    for (QLineEdit* field : fields)
        field->setFixedWidth(widest);
    for (int column = 0; column < layout->columnCount(); ++column)
        layout->setColumnMinimumWidth(column, (widest - spacing) / 2);
}
