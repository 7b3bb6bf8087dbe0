#pragma once
// Lets QCOMPARE print std::string values (and lists of them), so that a
// failing comparison of texts shows both texts, not only the expressions.

#include <QString>
#include <QtTest>

#include <string>
#include <vector>

template <> inline char *QTest::toString<std::string>(const std::string &text) {
    return QTest::toPrettyUnicode(QString::fromStdString(text));
}

template <> inline char *QTest::toString<std::vector<std::string>>(const std::vector<std::string> &texts) {
    QString joined = QStringLiteral("[");
    for (std::size_t k = 0; k < texts.size(); ++k) {
        if (k > 0) joined += QStringLiteral(", ");
        joined += QString::fromStdString(texts[k]);
    }
    joined += QStringLiteral("]");
    return QTest::toPrettyUnicode(joined);
}
