#include "BreakBlocker/BlockerCheckResult.h"

QString BlockerCheckResult::singleLine(QString name)
{
    // C0, DEL and C1 controls (NEL among them), U+2028 and U+2029; all lie in the BMP.
    for (QChar& c : name) {
        const QChar::Category category = c.category();
        if (category == QChar::Other_Control || category == QChar::Separator_Line ||
            category == QChar::Separator_Paragraph)
            c = QLatin1Char(' ');
    }
    return name;
}
