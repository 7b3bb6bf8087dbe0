// The editor's text model on a 10 MB document: ten copies of mixed_1mb.sql
// formatted with line breaks as separators (about 345,000 lines, reserved
// words bold), then made into a model, edited in the middle, marked and
// replaced at 100,000 places in one step each, undone, and read back.
// Run by hand: build/bench/text_model_bench
#include "formatter/Format.h"
#include "ui/EditorPosition.h"
#include "ui/TextModel.h"

#include <QGuiApplication>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <sstream>

using namespace kelvra;

namespace {

// The best of three rounds, in ms; `prepare` runs before each round, untimed.
double BestMs(
    const std::function<void()> &work, const std::function<void()> &prepare = [] {}) {
    double best = 1e12;
    for (int round = 0; round < 3; ++round) {
        prepare();
        const auto start = std::chrono::steady_clock::now();
        work();
        const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count());
    }
    return best;
}

struct Document {
    QString text; // lines broken by '\n'
    std::vector<EditorRange> bold;
};

Document FormattedInput() {
    std::ifstream in(KELVRA_BENCH_INPUTS "/mixed_1mb.sql", std::ios::binary);
    std::stringstream once;
    once << in.rdbuf();
    std::string text;
    for (int copy = 0; copy < 10; ++copy) text += once.str();
    EditorOptions options;
    options.LfSp = true;
    ProgressSink sink;
    const FormatResult result = RunFormat(std::move(text), options, KeywordCatalogue(), sink);
    Document doc;
    EditorPositionWalker walker(result.text);
    for (const TextSpan &span : result.boldSpans) {
        const int start = walker.PositionOf(span.start);
        doc.bold.push_back({start, walker.PositionOf(span.start + span.length) - start});
    }
    doc.text = QString::fromStdString(result.text).replace(QLatin1String("\r\n"), QLatin1String("\n"));
    doc.text.replace(u'\r', u'\n');
    return doc;
}

TextContent ContentOf(const Document &doc) {
    TextContent content;
    content.Append(doc.text, {});
    content.SetBold(doc.bold);
    return content;
}

} // namespace

int main(int argc, char **argv) {
    QGuiApplication app(argc, argv);
    const Document doc = FormattedInput();
    TextModel model;
    model.Reset(ContentOf(doc));
    std::printf("document: %lld positions, %d lines, %zu bold ranges\n", static_cast<long long>(doc.text.size()),
                model.LineCount(), doc.bold.size());

    TextContent made;
    std::printf("TextContent::Append of the whole text: %.1f ms\n",
                BestMs([&] { made.Append(doc.text, {}); }, [&] { made = TextContent(); }));
    std::printf("  and SetBold: %.1f ms\n", BestMs([&] { made.SetBold(doc.bold); }));
    std::printf("Append + SetBold + Reset: %.1f ms\n", BestMs([&] { model.Reset(ContentOf(doc)); }));

    const int middle = model.Length() / 2;
    const int edits = 10000;
    const double oneChar = BestMs([&] {
        for (int k = 0; k < edits; ++k) model.Replace(middle + k % 50, 0, u"x", {});
    });
    std::printf("one-character Replace in the middle: %.2f us each\n", oneChar * 1000 / edits);

    const int places = 100000, spacing = model.Length() / places;
    QTextCharFormat mark;
    mark.setForeground(QColor(255, 0, 0));
    const auto resetModel = [&] { model.Reset(ContentOf(doc)); };
    std::printf("100,000 MergeFormat calls in one step: %.1f ms\n", BestMs(
                                                                        [&] {
                                                                            model.BeginStep();
                                                                            for (int k = 0; k < places; ++k)
                                                                                model.MergeFormat(k * spacing, 3, mark);
                                                                            model.EndStep();
                                                                        },
                                                                        resetModel));
    std::printf("  and their undo: %.1f ms\n", BestMs([&] { model.Undo(); },
                                                      [&] {
                                                          resetModel();
                                                          model.BeginStep();
                                                          for (int k = 0; k < places; ++k)
                                                              model.MergeFormat(k * spacing, 3, mark);
                                                          model.EndStep();
                                                      }));
    // Three characters at the start of lines far apart, each replaced by four:
    // the text grows by one at each, so later places move by one more.
    std::vector<int> lineStarts;
    for (int k = 0; k < places; ++k) {
        const int line = model.LineOf(k * spacing);
        if (model.Line(line).text.size() >= 3 && (lineStarts.empty() || model.LineStart(line) > lineStarts.back()))
            lineStarts.push_back(model.LineStart(line));
    }
    const auto replaceInLines = [&] {
        model.BeginStep();
        for (std::size_t k = 0; k < lineStarts.size(); ++k)
            model.Replace(lineStarts[k] + static_cast<int>(k), 3, u"abcd", mark);
        model.EndStep();
    };
    std::printf("%zu one-line Replace calls in one step: %.1f ms\n", lineStarts.size(),
                BestMs(replaceInLines, resetModel));
    std::printf("  and their undo: %.1f ms\n", BestMs([&] { model.Undo(); },
                                                      [&] {
                                                          resetModel();
                                                          replaceInLines();
                                                      }));
    // Line breaks put in, as the separator command does: the lines after each place move.
    const auto breakLines = [&] {
        model.BeginStep();
        for (int k = 0; k < places; ++k) model.Replace(k * (spacing + 1), 0, u"\n", {});
        model.EndStep();
    };
    std::printf("100,000 line breaks put in, in one step: %.1f ms\n", BestMs(breakLines, resetModel));
    std::printf("  and their undo: %.1f ms\n", BestMs([&] { model.Undo(); },
                                                      [&] {
                                                          resetModel();
                                                          breakLines();
                                                      }));
    // A line break far from the last change of the line count moves the lines in between.
    const int jumps = 200;
    std::printf("a line break far from the one before: %.1f us each\n",
                BestMs([&] {
                    for (int k = 0; k < jumps; ++k) model.Replace(k % 2 ? 10 : model.Length() - 10, 0, u"\n", {});
                }) * 1000 /
                    jumps);
    TextContent next;
    std::printf("ReplaceAll of the whole text (content made beforehand): %.1f ms\n",
                BestMs([&] { model.ReplaceAll(std::move(next)); }, [&] { next = ContentOf(doc); }));
    std::printf("Text() of the whole text: %.1f ms\n", BestMs([&] { (void)model.Text(); }));
    std::printf("BoldRanges(): %.1f ms\n", BestMs([&] { (void)model.BoldRanges(); }));
    return 0;
}
