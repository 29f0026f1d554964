#include "platform/qt/fonts.h"

#include <QFontDatabase>
#include <QStringList>

using namespace Qt::Literals::StringLiterals;

namespace {

// The designed face first, then its stand-ins in order of likeness. Faces
// that are not installed are left out, so that the font matcher never picks
// a Latin-only default before reaching one that has the kana.
QFont JapaneseFont(const QStringList& candidates, int pixelSize)
{
    QStringList installed;
    for (const QString& family : candidates) {
        if (QFontDatabase::hasFamily(family))
            installed << family;
    }
    QFont font;
    if (!installed.isEmpty()) {
        font.setFamily(installed.front());
        font.setFamilies(installed);
    } else {
        font.setFamilies(candidates);
    }
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixelSize);
    font.setWeight(QFont::Normal);
    font.setItalic(false);
    return font;
}

}  // namespace

QFont ProportionalGothicFont(int pixelSize)
{
    return JapaneseFont({u"ＭＳ Ｐゴシック"_s, u"MS PGothic"_s, u"IPAPGothic"_s, u"IPAGothic"_s,
                         u"Noto Sans CJK JP"_s, u"VL PGothic"_s},
                        pixelSize);
}

QFont GothicFont(int pixelSize)
{
    return JapaneseFont({u"ＭＳ ゴシック"_s, u"MS Gothic"_s, u"IPAGothic"_s, u"IPAPGothic"_s,
                         u"Noto Sans Mono CJK JP"_s, u"VL Gothic"_s},
                        pixelSize);
}
