#include "ByteSearch.h"

#include <QRandomGenerator>
#include <QTest>

#include <algorithm>

using metatags::FindBytes;

namespace {

qsizetype referenceFind(QByteArrayView haystack, QByteArrayView needle, qsizetype from)
{
    const auto hit = std::search(haystack.begin() + from, haystack.end(), needle.begin(), needle.end());
    return hit == haystack.end() && !needle.isEmpty() ? -1 : hit - haystack.begin();
}

} // namespace

// The search is vectorised in blocks of 128 positions with an aligned start,
// so its faults hide at block and alignment edges and in near misses; compare
// it with std::search across them.
class TestByteSearch : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void findsWhatStdSearchFinds_data();
    void findsWhatStdSearchFinds();
};

void TestByteSearch::findsWhatStdSearchFinds_data()
{
    QTest::addColumn<QByteArray>("needle");
    QTest::addColumn<QByteArray>("alphabet");

    QTest::newRow("tag word among its own letters") << QByteArray("KeyWords") << QByteArray("KeyWords <>");
    QTest::newRow("closing tag among near misses") << QByteArray("</html>") << QByteArray("</html>");
    QTest::newRow("two bytes") << QByteArray("<t") << QByteArray("<t>");
    QTest::newRow("one byte") << QByteArray(">") << QByteArray("ab>");
    QTest::newRow("longer than a vector") << QByteArray(40, 'a') + "b" << QByteArray("ab");
    QTest::newRow("NUL and high bytes") << QByteArray("\0\xff\0", 3) << QByteArray("\0\xff", 2);
}

void TestByteSearch::findsWhatStdSearchFinds()
{
    QFETCH(QByteArray, needle);
    QFETCH(QByteArray, alphabet);

    QRandomGenerator random(20261207);
    for (int round = 0; round < 300; ++round) {
        // Pages of a few hundred bytes cross several blocks; slicing at an
        // offset moves the start off any alignment.
        QByteArray storage(64 + random.bounded(600), Qt::Uninitialized);
        for (char &byte : storage)
            byte = alphabet.at(random.bounded(alphabet.size()));
        // Near misses: the needle with one byte changed, wherever it stands.
        for (int miss = 0; miss < 4 && needle.size() > 2; ++miss) {
            QByteArray nearMiss = needle;
            nearMiss[random.bounded(nearMiss.size())] ^= 0x20;
            storage.replace(random.bounded(storage.size() - needle.size() + 1), needle.size(), nearMiss);
        }
        if (round % 2 == 0) {
            const qsizetype at = random.bounded(storage.size() - needle.size() + 1);
            storage.replace(at, needle.size(), needle);
        }
        const QByteArrayView haystack = QByteArrayView(storage).sliced(random.bounded(33));
        const qsizetype from = random.bounded(haystack.size() + 1);
        QCOMPARE(FindBytes(haystack, needle, from), referenceFind(haystack, needle, from));
    }
}

QTEST_GUILESS_MAIN(TestByteSearch)
#include "tst_bytesearch.moc"
