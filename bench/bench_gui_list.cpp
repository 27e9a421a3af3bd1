// Opening an LZH archive of 100,000 members and rebuilding the GUI's member list from
// it: the table model alone, the list view with one paint of its visible rows (what the
// user waits for after choosing the file), and the same sorted by name (the list keeps
// its sort column across rebuilds), and the whole window by folder with its folder pane. The
// archive is written here: small stored members with Shift-JIS names in a few hundred folders,
// level-0 headers.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/main_frame.h"
#include "app/member_list_model.h"
#include "app/qt_user_interface.h"
#include "app/quillory_view.h"
#include "common/checksums.h"
#include "document/front_end.h"
#include "platform/path.h"

namespace {

namespace fs = std::filesystem;
constexpr int kMembers = 100000;

// 資料 and 報告 in Shift-JIS, so that every name goes through the code-page conversion.
const std::string kFolderWord = "\x8E\x91\x97\xBF";
const std::string kFileWord = "\x95\xF1\x8D\x90";

const fs::path& ArchivePath() {
    static const fs::path path = [] {
        const fs::path p = fs::temp_directory_path() / "quillory-bench-gui-list.lzh";
        std::ofstream out(p, std::ios::binary);
        for (int i = 0; i < kMembers; ++i) {
            // Level 0 keeps the folder in the name, "\" separated.
            const std::string name = kFolderWord + std::to_string(i / 300) + "\\" + kFileWord +
                                     std::to_string(i) + ".txt";
            const std::string data = std::to_string(i);
            std::vector<std::uint8_t> h;
            h.push_back(static_cast<std::uint8_t>(22 + name.size()));  // bytes after these two
            h.push_back(0);                                            // header sum, below
            for (char c : std::string("-lh0-"))
                h.push_back(static_cast<std::uint8_t>(c));
            const auto put32 = [&h](std::uint32_t v) {
                for (int k = 0; k < 4; ++k)
                    h.push_back(static_cast<std::uint8_t>(v >> (8 * k)));
            };
            put32(static_cast<std::uint32_t>(data.size()));
            put32(static_cast<std::uint32_t>(data.size()));
            put32(0x52642884);  // 2021-03-04 05:04:08, MS-DOS date and time
            h.push_back(0x20);  // archive attribute
            h.push_back(0);     // level 0
            h.push_back(static_cast<std::uint8_t>(name.size()));
            h.insert(h.end(), name.begin(), name.end());
            const std::uint16_t crc = quillory::Crc16Update(0, data.data(), data.size());
            h.push_back(static_cast<std::uint8_t>(crc));
            h.push_back(static_cast<std::uint8_t>(crc >> 8));
            h[1] = quillory::HeaderSum8(h.data() + 2, h.size() - 2);
            out.write(reinterpret_cast<const char*>(h.data()),
                      static_cast<std::streamsize>(h.size()));
            out << data;
        }
        out.put('\0');
        return p;
    }();
    return path;
}

// The document with its settings, as the application holds them.
struct Document {
    quillory::platform::MemoryProfile profile;
    quillory::ApplicationSettings settings;
    quillory::QtUserInterface ui;
    quillory::CQuilloryDoc doc{ui, settings, profile};
};

void Open(benchmark::State& state, quillory::CQuilloryDoc& doc) {
    if (doc.OpenArchive(quillory::platform::FromHostPath(ArchivePath().string())) != 1 ||
        doc.EntryCount() != kMembers)
        state.SkipWithError("archive did not open");
}

void BM_OpenAndRebuildModel(benchmark::State& state) {
    Document d;
    quillory::MemberListModel model;
    for (auto _ : state) {
        Open(state, d.doc);
        model.Rebuild(d.doc);
        benchmark::DoNotOptimize(model.rowCount());
        state.PauseTiming();
        d.doc.CloseArchive();
        model.Rebuild(d.doc);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kMembers);
}
BENCHMARK(BM_OpenAndRebuildModel)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The view rebuilt and painted once per open; sortColumn -1 keeps table order.
void OpenAndShow(benchmark::State& state, int sortColumn) {
    Document d;
    quillory::CQuilloryView view(d.doc);
    view.resize(860, 480);
    view.show();
    if (sortColumn >= 0) view.sortByColumn(sortColumn, Qt::DescendingOrder);
    QApplication::processEvents();
    for (auto _ : state) {
        Open(state, d.doc);
        d.doc.UpdateAllViews();
        view.viewport()->repaint();
        QApplication::processEvents();
        state.PauseTiming();
        d.doc.CloseArchive();
        d.doc.UpdateAllViews();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kMembers);
}

void BM_OpenAndShowInView(benchmark::State& state) {
    OpenAndShow(state, -1);
}
BENCHMARK(BM_OpenAndShowInView)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_OpenAndShowSortedByName(benchmark::State& state) {
    OpenAndShow(state, 0);
}
BENCHMARK(BM_OpenAndShowSortedByName)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The whole window by folder, as a first start shows it: the folder pane built from the
// archive's folders and the list of the top folder, painted once.
void BM_OpenAndShowInWindowByFolder(benchmark::State& state) {
    Document d;
    quillory::CMainFrame frame(d.doc, d.ui);
    frame.resize(860, 520);
    frame.show();
    QApplication::processEvents();
    for (auto _ : state) {
        Open(state, d.doc);
        d.doc.UpdateAllViews();
        frame.repaint();
        QApplication::processEvents();
        state.PauseTiming();
        d.doc.CloseArchive();
        d.doc.UpdateAllViews();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kMembers);
}
BENCHMARK(BM_OpenAndShowInWindowByFolder)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    // The window's layout store in a scratch folder, empty: the first start's view.
    const QTemporaryDir settings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    benchmark::Initialize(&argc, argv);
    ArchivePath();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
