// The sheet with a list of 100,000 pictures: opening it, and deleting half of them at once.
// Wall-clock time, on Qt's offscreen platform.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QListWidget>

#include "app/SettingsView.h"
#include "config/CVelvetfadeConfigDlg.h"

namespace {

constexpr int kEntries = 100'000;

void FillList(CVelvetfadeConfigDlg& sheet) {
    SettingsStore settings;
    PutSheetDefaults(settings);
    sheet.LoadFrom(settings);
    for (int i = 0; i < kEntries; ++i) {
        sheet.m_page1.m_arrFiles.append(QStringLiteral("/pictures/%1.jpg").arg(i));
    }
}

void SheetOpen(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        CVelvetfadeConfigDlg sheet;
        FillList(sheet);
        state.ResumeTiming();
        sheet.show();
        QCoreApplication::processEvents();
    }
}

void SheetDeleteHalf(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        CVelvetfadeConfigDlg sheet;
        FillList(sheet);
        sheet.show();
        QCoreApplication::processEvents();
        QListWidget* pList = sheet.m_page1.m_listFiles;
        pList->selectionModel()->select(
            QItemSelection(pList->model()->index(0, 0), pList->model()->index(kEntries / 2 - 1, 0)),
            QItemSelectionModel::Select);
        state.ResumeTiming();
        sheet.m_page1.OnDeleteFiles();
        QCoreApplication::processEvents();
        if (sheet.m_page1.m_arrFiles.size() != kEntries / 2) {
            state.SkipWithError("the selection was not deleted");
            break;
        }
    }
}

}  // namespace

BENCHMARK(SheetOpen)->Name("SheetOpen/100000")->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(SheetDeleteHalf)
    ->Name("SheetDeleteHalf/100000")
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
