#include "CodePageGuess.h"

#include "TextCodec.h"

#include <QSet>

#include <algorithm>

namespace tw::encoding {

namespace {

// Points a page earns or loses for what it makes of the sample's bytes.
constexpr double kLetter = 1.0;          // a letter beyond ASCII, per byte it took
constexpr double kUncommonLetter = 0.25; // one that hardly any language writes often
constexpr double kFrequentLetter = 0.5;  // more for the most frequent letters of its script
constexpr double kCommonWord = 2.0;      // per character of a common word
constexpr double kCommonIdeograph = 1.0; // a common character of Chinese, Japanese or Korean
constexpr double kSymbol = -1.0;         // a sign, box-drawing piece, ... where letters were likely
constexpr double kCapitalInWord = -3.0;  // a capital after a small letter of the same word
constexpr double kMixedScripts = -3.0;   // two scripts in one word
constexpr double kBadCharacter = -8.0;   // an undefined byte or a control character
// Latin words are mostly ASCII letters: a letter beyond ASCII past half of the
// word's letters costs this.
constexpr double kCrowdedDiacritics = -1.5;
// How much better another page must read the sample (per byte beyond ASCII)
// for the mark to be in doubt.
constexpr double kDoubtMargin = 0.25;
constexpr int kSampleLineLength = 60;
constexpr char16_t kReplacement = 0xFFFD;
constexpr char16_t kFirstC1 = 0x80;
constexpr char16_t kLastC1 = 0x9F;
constexpr char16_t kDelete = 0x7F;
constexpr char16_t kHalfwidthKatakanaFirst = 0xFF61;
constexpr char16_t kHalfwidthKatakanaLast = 0xFF9F;

// The order settles ties: Windows pages before DOS pages before the rest.
const int kCandidates[] = {1252, 1251, 1250, 437, 850, 866, 852, 1253, 1254, 1257, 936, 950,  932,   949,   857,  855,
                           860,  861,  863,  865, 737, 775, 869, 1255, 1256, 862,  874, 1258, 10000, 10007, 10029};

// Frequent words of the languages these pages are written in; only those
// with letters beyond ASCII, since the others read the same on every page.
const char kCommonWords[] =
    // Russian, Ukrainian, Bulgarian, Serbian
    "и в не на я что он с как а то все она так его но да ты к у же вы за бы по только ее мне было вот от "
    "меня еще нет о из ему когда даже ну ли если уже или ни быть был него до вас опять вам там потом себя "
    "ничего ей может они тут где есть надо ней для мы тебя их чем была сам без кто этот того этого какой "
    "здесь этом один мой тем чтобы сейчас были всех можно при два об другой после над больше тот через эти "
    "нас про всего них много три эту моя хорошо свою этой перед лучше том такой им более всегда между год "
    "года улица ул город г дом д кв цена сумма товар дата номер название код количество адрес телефон "
    "фамилия имя отчество иван петров москва россия руб шт і та що це з від як ще та але е се че от "
    "ООО ЗАО ИП "
    // Czech, Slovak, Polish, Hungarian, Croatian, Slovene, Romanian
    "že být bylo byl není také již podle může mezi až před řekl když více než ještě této které který která "
    "při jsou jsem město číslo částka zboží název množství příjmení jméno praha ulice dvořák novák "
    "sa byť môže keď ešte podľa ktorý ďalej "
    "się że już jest być dla czy przez są był może także będzie które który która przy bardzo ulica "
    "miasto kwota ilość nazwisko imię łódź kraków gdańsk wrocław "
    "és hogy nem egy meg van csak volt már még után között szerint ő ők én utca város ár összeg áru dátum "
    "név mennyiség cím "
    "što će biti može već još među čak ovaj šta "
    "și în că să pentru fără după până acest această "
    // German, French, Spanish, Portuguese, Italian, Nordic
    "für über daß größe straße müssen können würde während schön gemäß grün höhe länge menge müller "
    "köln münchen zürich à été être où déjà très même après français année prénom société numéro "
    "première également ça là général système qualité créé rue ville "
    "año más está también según después él así número dirección teléfono cantidad código señor "
    "não são até já informação ação endereço "
    "è più perché città così già però può "
    "på för är och när också år även så være også får både ikke ja københavn "
    // Turkish, Baltic
    "için çok büyük şekilde şirket ürün ödeme müşteri soyadı şehir değil göre özel işte böyle kadın "
    "dėl už tačiau kaip arī pēc būt kā vai kõik või ütles šis ši "
    // Greek
    "και το η της του ο να σε τα με για που είναι από την των στο στην ένα θα δεν οι τη τον οδός "
    "αθήνα τιμή ποσό "
    // Hebrew, Arabic
    "של את על זה לא הוא עם כי גם אני רחוב עיר מחיר כמות שם תאריך לקוח מספר טלפון כתובת חברה סכום "
    "ירושלים אביב חיפה "
    "في من على إلى أن التي الذي عن مع هذا كان";

// The most frequent characters of Chinese (the commonest of them the same in
// both scripts), with frequent kana and hangul.
const char kCommonIdeographs[] =
    "的一是不了在人有我他这个们中来上大为和国地到以说时要就出会可也你对生能而子那得于着下自之年过发后作里用道行"
    "所然家种事成方多经么去法学如都同现当没动面起看定天分还进好小部其些主样理心本前开但因只从想实日者意无力与长"
    "把机民第公此已工使情明性知全三又关点正业外将两高间由问很最重并物手应向头文体政美相见被利什二等产或新己制身"
    "果加西月话合回特代内信表化老给世位次度门任常先海通教儿原东声提立及比员解水名真论处走义各入几口认条平系气题"
    "活更别打女变四总何电数安少报才结反受目太量再感建务做接必场件计管期市直资命山金指许统区保至队形社便空决治展"
    "马科司五基书非则听白却界达光放强即像难且权思王象完设式色路记南品住告类求据程北边死张该交规万取京省价号"
    "這個們來為國說時會對麼後經過發種還進樣裡與長機當點業將兩間問題體關見現無實開從學電號價區"
    "のにはをたがでてとしれさかなるいうすまこ"
    "이의는을를에가고다하한서지기로수있없사대일";

// Per script, its most frequent letters.
const char kFrequentLetters[] = "оеаинтсрвлкмдпу" // Cyrillic
                                "αοειτνσςηυρκπμλ" // Greek
                                "יוהלמארבתשנ"     // Hebrew
                                "اليمنوتربعده"    // Arabic
                                "éáíóüäöúèà";     // Latin

// Letters a wrong page makes of other pages' letters, which hardly any text has many of.
const char kUncommonLetters[] = "ìòùðþÿĺŕŀĸŉŧŋħĦÐÞ";

struct Vocabulary {
    QSet<QString> words;
    QSet<char16_t> ideographs;
    QSet<char16_t> frequentLetters;
    QSet<char16_t> uncommonLetters;
};

const Vocabulary &vocabulary()
{
    static const Vocabulary vocab = [] {
        Vocabulary v;
        for (const QString &word : QString::fromUtf8(kCommonWords).split(u' ', Qt::SkipEmptyParts)) {
            const QString lower = word.toLower();
            if (std::any_of(lower.begin(), lower.end(), [](QChar c) { return c.unicode() >= kFirstC1; }))
                v.words.insert(lower);
        }
        for (const QChar c : QString::fromUtf8(kCommonIdeographs))
            v.ideographs.insert(c.unicode());
        for (const QChar c : QString::fromUtf8(kFrequentLetters))
            v.frequentLetters.insert(c.unicode());
        for (const QChar c : QString::fromUtf8(kUncommonLetters))
            v.uncommonLetters.insert(c.unicode());
        return v;
    }();
    return vocab;
}

bool isBad(char16_t c)
{
    return c == kReplacement || (c < 0x20 && c != u'\t' && c != u'\n' && c != u'\r') || c == kDelete ||
           (c >= kFirstC1 && c <= kLastC1);
}

// Signs that text in any language has: they neither earn nor cost.
bool isUsualSign(char16_t c)
{
    static const QString signs = QString::fromUtf8("«»–—“”‘’„…·°№€§©®±×÷¿¡ªº²³µ¢£¥");
    return (c >= 0x3000 && c <= 0x303F) || (c >= 0xFF01 && c <= 0xFF5E) || signs.contains(QChar(c));
}

// The scripts a word may hold together: Chinese, Japanese and Korean mix.
int scriptGroup(QChar c)
{
    switch (c.script()) {
    case QChar::Script_Han:
    case QChar::Script_Hiragana:
    case QChar::Script_Katakana:
    case QChar::Script_Hangul:
        return QChar::Script_Han;
    default:
        return c.script();
    }
}

bool isHalfwidthKatakana(char16_t c)
{
    return c >= kHalfwidthKatakanaFirst && c <= kHalfwidthKatakanaLast;
}

struct Reading {
    double points = 0;
    int bad = 0;
};

// What one page makes of one value, decoded.
void scoreText(const QString &text, bool multiByte, Reading &reading)
{
    const Vocabulary &vocab = vocabulary();
    int wordStart = -1;
    int wordScript = -1;
    bool wordHasHigh = false;
    bool previousLower = false;
    int latinLetters = 0;
    int latinHigh = 0;
    double wordPoints = 0; // what the letters beyond ASCII of the word earned
    const auto endWord = [&](int end) {
        if (wordStart >= 0 && wordHasHigh && vocab.words.contains(text.mid(wordStart, end - wordStart).toLower()))
            reading.points += kCommonWord * (end - wordStart);
        // A "letter" written against a number ("£12" read as "Ł12") is more
        // likely a sign of another page: it earns nothing.
        const bool againstDigit = wordStart >= 0 && ((end < text.size() && text[end].isDigit()) ||
                                                     (wordStart > 0 && text[wordStart - 1].isDigit()));
        if (againstDigit && wordPoints > 0)
            reading.points -= wordPoints;
        wordPoints = 0;
        if (latinHigh * 2 > latinLetters && latinLetters >= 2)
            reading.points += kCrowdedDiacritics * (latinHigh - latinLetters / 2);
        latinLetters = 0;
        latinHigh = 0;
        wordStart = -1;
        wordScript = -1;
        wordHasHigh = false;
        previousLower = false;
    };
    for (int i = 0; i < text.size(); ++i) {
        const QChar ch = text[i];
        const char16_t c = ch.unicode();
        if (isBad(c)) {
            reading.points += kBadCharacter;
            ++reading.bad;
            endWord(i);
            continue;
        }
        if (ch.category() == QChar::Mark_NonSpacing && wordStart >= 0) {
            // A tone or accent mark written after its letter (Windows-1258)
            // is part of the letter: it neither earns nor costs.
            wordHasHigh = true;
            continue;
        }
        if (!ch.isLetter()) {
            endWord(i);
            if (c >= kFirstC1 && !isUsualSign(c) && !ch.isSpace() && !ch.isDigit())
                reading.points += kSymbol * (multiByte ? 2 : 1);
            continue;
        }
        if (wordStart < 0)
            wordStart = i;
        const int script = scriptGroup(ch);
        if (wordScript >= 0 && script != wordScript)
            reading.points += kMixedScripts;
        wordScript = script;
        if (script == QChar::Script_Latin) {
            ++latinLetters;
            latinHigh += c >= kFirstC1 ? 1 : 0;
        }
        if (ch.isUpper() && previousLower && (c >= kFirstC1 || text[i - 1].unicode() >= kFirstC1))
            reading.points += kCapitalInWord;
        previousLower = ch.isLower();
        if (c < kFirstC1)
            continue;
        wordHasHigh = true;
        if (ch.isSurrogate())
            continue; // counted by its other half
        const double bytes = !multiByte ? 1 : isHalfwidthKatakana(c) ? 0.5 : 2;
        double letter = vocab.uncommonLetters.contains(c) ? kUncommonLetter : kLetter;
        if (vocab.frequentLetters.contains(ch.toLower().unicode()))
            letter += kFrequentLetter;
        if (vocab.ideographs.contains(c))
            letter += kCommonIdeograph;
        reading.points += letter * bytes;
        wordPoints += letter * bytes;
    }
    endWord(int(text.size()));
}

bool hasHighByte(QByteArrayView bytes)
{
    return std::any_of(bytes.begin(), bytes.end(), [](char b) { return (static_cast<unsigned char>(b) & 0x80) != 0; });
}

qsizetype highBytes(const QList<QByteArray> &texts)
{
    qsizetype n = 0;
    for (const QByteArray &t : texts)
        n += std::count_if(t.begin(), t.end(), [](char b) { return (static_cast<unsigned char>(b) & 0x80) != 0; });
    return n;
}

// One line of a decoded value: the part around its first letter beyond ASCII.
QString sampleLine(const QString &text)
{
    QString line = text;
    for (QChar &c : line)
        if (c.unicode() < 0x20)
            c = u' ';
    qsizetype first = 0;
    while (first < line.size() && line[first].unicode() < kFirstC1)
        ++first;
    const qsizetype start =
        std::max<qsizetype>(0, std::min(first - kSampleLineLength / 4, line.size() - kSampleLineLength));
    line = line.mid(start, kSampleLineLength).trimmed();
    return start > 0 ? QStringLiteral("…") + line : line;
}

} // namespace

const std::vector<int> &CodePageGuess::candidates()
{
    static const std::vector<int> pages = [] {
        std::vector<int> v;
        for (int page : kCandidates)
            if (TextCodec::converts(page))
                v.push_back(page);
        return v;
    }();
    return pages;
}

void CodePageGuess::addBytes(QByteArrayView bytes)
{
    if (full())
        return;
    ++m_values;
    if (!hasHighByte(bytes))
        return;
    const QByteArrayView kept = bytes.first(std::min(bytes.size(), kSampleBytes - m_bytes));
    m_texts.append(kept.toByteArray());
    m_bytes += kept.size();
}

void CodePageGuess::addDecoded(QStringView text, const TextCodec &codec)
{
    if (full())
        return;
    if (std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < kFirstC1; })) {
        ++m_values;
        return;
    }
    addBytes(codec.encode(text));
}

CodePageCandidate CodePageGuess::score(int codePage) const
{
    const TextCodec &codec = TextCodec::forCodePage(codePage);
    CodePageCandidate candidate;
    candidate.codePage = codec.codePage();
    Reading reading;
    QString decoded;
    for (const QByteArray &text : m_texts) {
        codec.decode(text.constData(), text.size(), decoded);
        scoreText(decoded, !codec.singleByte(), reading);
        if (candidate.sample.isEmpty())
            candidate.sample = sampleLine(decoded);
    }
    const qsizetype high = highBytes(m_texts);
    candidate.score = high > 0 ? reading.points / double(high) : 0;
    candidate.badCharacters = reading.bad;
    return candidate;
}

std::vector<CodePageCandidate> CodePageGuess::best(int count) const
{
    std::vector<CodePageCandidate> all;
    for (int page : candidates())
        all.push_back(score(page));
    std::stable_sort(all.begin(), all.end(),
                     [](const CodePageCandidate &a, const CodePageCandidate &b) { return a.score > b.score; });
    if (count >= 0 && all.size() > size_t(count))
        all.resize(size_t(count));
    return all;
}

bool CodePageGuess::doubtful(int codePage) const
{
    if (!telling())
        return false;
    // Only another page that reads the text clearly better puts the mark in
    // doubt: one that scores clearly higher, or as high with fewer undefined
    // bytes. A mark no page reads better stands, undefined bytes and all.
    const CodePageCandidate mine = score(codePage);
    for (const CodePageCandidate &other : best(-1)) {
        if (other.codePage == mine.codePage)
            continue;
        if (other.score > mine.score + kDoubtMargin ||
            (other.score >= mine.score && other.badCharacters < mine.badCharacters))
            return true;
    }
    return false;
}

int codePageFromName(QStringView name)
{
    QString n = name.trimmed().toString().toLower();
    n.remove(u'-').remove(u'_').remove(u' ');
    static const std::pair<const char *, int> kNames[] = {{"gbk", 936},
                                                          {"gb2312", 936},
                                                          {"big5", 950},
                                                          {"shiftjis", 932},
                                                          {"sjis", 932},
                                                          {"euckr", 949},
                                                          {"ibm866", 866},
                                                          {"latin1", 1252},
                                                          {"ansi", 1252},
                                                          {"macintosh", 10000},
                                                          {"macroman", 10000},
                                                          {"maccyrillic", 10007},
                                                          {"maccentraleurope", 10029},
                                                          {"maccentraleuropean", 10029}};
    for (const auto &[text, page] : kNames)
        if (n == QLatin1String(text))
            return page;
    for (const char *prefix : {"windows", "cp", "ibm", "dos", "win"})
        if (n.startsWith(QLatin1String(prefix))) {
            n = n.mid(qsizetype(qstrlen(prefix)));
            break;
        }
    bool ok = false;
    const int page = n.toInt(&ok);
    // Only the pages offered, which the tests hold to a reference.
    const std::vector<int> &offered = CodePageGuess::candidates();
    return ok && std::find(offered.begin(), offered.end(), page) != offered.end() ? page : 0;
}

QString codePageName(int codePage)
{
    switch (codePage) {
    case 936:
        return QStringLiteral("gbk");
    case 950:
        return QStringLiteral("big5");
    case 932:
        return QStringLiteral("shift-jis");
    case 949:
        return QStringLiteral("euc-kr");
    case 10000:
        return QStringLiteral("mac-roman");
    case 10007:
        return QStringLiteral("mac-cyrillic");
    case 10029:
        return QStringLiteral("mac-centraleurope");
    default:
        return codePage >= 1250 && codePage <= 1258 ? QStringLiteral("windows-%1").arg(codePage)
                                                    : QStringLiteral("cp%1").arg(codePage);
    }
}

} // namespace tw::encoding
