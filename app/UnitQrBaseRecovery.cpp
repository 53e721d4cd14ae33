// TFormBase crash recovery: a journal per document with unsaved changes, and at the next
// start, after a run that did not end cleanly, the offer to bring those changes back.
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <stdexcept>

#include "app/RecoveryRestore.h"
#include "app/UnitQrBase.h"
#include "platform/FileHash.h"
#include "platform/Files.h"
#include "platform/StateDir.h"

namespace quiret {

namespace {

std::string TimeText(std::int64_t ns) {
  const std::time_t seconds = static_cast<std::time_t>(ns / 1000000000);
  std::tm local{};
  localtime_r(&seconds, &local);
  char text[32];
  std::strftime(text, sizeof text, "%Y/%m/%d %H:%M:%S", &local);
  return text;
}

// The text as the rows hold it, the end marker left out: what a snapshot keeps.
TextSource SourceOf(TLumoEdit& ed) {
  return TextSource{[&ed] { return TextBytes(*ed.Lines); },
                    [&ed](const std::function<void(std::string_view)>& sink) {
                      const TLumoStrings& rows = *ed.Lines;
                      const std::int32_t last = rows.Count() - 1;
                      for (std::int32_t i = 0; i <= last; ++i) {
                        const std::string_view row = rows.Get(i);
                        sink(i < last ? row : row.substr(0, row.size() >= 2 ? row.size() - 2 : 0));
                      }
                    }};
}

const char kKeptAt[] = "\r\n回復用の記録は次の場所に残してあります：\r\n";
const char kDamaged[] = "回復用の記録が壊れています";
const char kBaseGone[] = "元のファイルが変更されています";

// The base file's bytes a journal holds, in a file of their own beside it while they are
// read: the loader then reads them exactly as it read the file.
class BaseCopy {
 public:
  BaseCopy(const LeftJournal& journal, const RestorePlan& plan) {
    std::string bytes;
    if (!ReadPlanned(journal, plan, bytes)) throw std::runtime_error(kDamaged);
    const std::string& at = journal.file->Path();
    path_ = at.substr(0, at.rfind('/') + 1) + "base-XXXXXX";
    const int fd = mkstemp(path_.data());
    if (fd < 0) throw std::runtime_error(std::strerror(errno));
    const bool written = WriteAll(fd, bytes);
    const int error = errno;
    close(fd);
    if (!written) {
      unlink(path_.c_str());
      throw std::runtime_error(std::strerror(error));
    }
  }
  ~BaseCopy() { unlink(path_.c_str()); }
  BaseCopy(const BaseCopy&) = delete;
  BaseCopy& operator=(const BaseCopy&) = delete;
  const std::string& Path() const { return path_; }

 private:
  static bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
      const ssize_t n = write(fd, bytes.data(), bytes.size());
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
  }
  std::string path_;
};

}  // namespace

void TFormBase::AttachJournal(TTabSheet& tab, const std::string& caption) {
  tab.Journal = std::make_unique<DocumentJournal>(*recovery_);
  tab.Journal->SetSource(SourceOf(*tab.Editor));
  JournalHeader header;
  header.caption = caption;
  header.openedNs = NowNs();
  tab.Journal->Restart(header, 0);
  DocumentJournal* journal = tab.Journal.get();
  tab.Editor->OnTextChange = [journal](TLumoEdit*, LinePos at, std::string_view removed,
                                       std::string_view inserted) {
    journal->Add(at.Line, at.Offset, removed, inserted);
  };
  tab.Editor->OnStepEnd = [journal](TLumoEdit*) { journal->EndStep(); };
}

void TFormBase::JournalBase(TTabSheet& tab, const FileIdentity& base) {
  JournalHeader header = tab.Journal->Header();
  header.hasFile = true;
  header.path = tab.Hint;
  for (int i = 0; i < TabCount(); ++i)
    if (tabs_[i].get() == &tab) header.caption = TabCaption(i);
  header.base = base;
  const std::optional<Encoding> e = KeptEncoding(tab);
  header.encoding = e ? EncodingIconvName(*e) : "";
  tab.Journal->Restart(header, base.Size);  // the file's size stands in for the text's
}

void TFormBase::StartRecovery() {
  recovery_->OnFailure = [this](const std::string& reason) {
    // Told after the change that failed to be written has been made on screen.
    ui_.Window.Post([this, reason] {
      ui_.Boxes.ShowInformation(
          "回復用の記録を書き込めなくなりました（" + reason +
          "）。\r\nこの実行中は、回復用の記録を取りません。変更は早めに保存してください。");
    });
  };
  recovery_->OnDocumentFailure = [this](const std::string& caption) {
    ui_.Window.Post([this, caption] {
      ui_.Boxes.ShowInformation(caption +
                                " の回復用の記録がほかのプログラムによって壊されました。\r\n"
                                "この文書の回復用の記録は取りません。変更は早めに保存してください。");
    });
  };
  const std::string folder = EnsureStateDir();
  std::string reason = folder.empty() ? std::strerror(errno) : "";
  if (folder.empty() || !recovery_->Start(folder, reason)) {
    ui_.Boxes.ShowInformation("回復用の記録を置くフォルダーを使えません（" + reason + "）。\r\n" +
                              StateDirPath() + "\r\nこの実行中は、回復用の記録を取りません。");
  }
  OfferLeftJournals(StateDirPath());
}

void TFormBase::OfferLeftJournals(const std::string& folder) {
  if (folder.empty()) return;
  std::vector<std::string> unreadable;
  std::vector<LeftJournal> left = FindLeftJournals(folder, unreadable);
  std::vector<std::string> notes;
  for (const std::string& path : unreadable)
    notes.push_back("回復用の記録を読めませんでした。" + std::string(kKeptAt) + KeepJournal(folder, path));
  // What can be done for each document is known before asking: one journal that cannot be
  // read keeps none of the others from being offered.
  std::vector<RestorePlan> plans(left.size());
  std::vector<std::string> problems(left.size());
  bool any = false;
  for (std::size_t i = 0; i < left.size(); ++i) {
    try {
      plans[i] = PlanRestore(left[i]);
    } catch (const std::exception& e) {
      problems[i] = e.what();
    }
    if (problems[i].empty() && plans[i].damaged) problems[i] = kDamaged;
    if (problems[i].empty() && plans[i].from == RestoreFrom::Nothing) problems[i] = kBaseGone;
    any = any || problems[i].empty();
  }
  auto keep = [&](std::size_t i) {
    const JournalHeader& h = left[i].header;
    const std::string path = KeepJournal(folder, left[i].file->Path());
    if (problems[i] == kBaseGone)
      notes.push_back(h.path + "\r\n は前回の編集のあとで変更されたため、" + h.caption +
                      " の変更を復元できませんでした。" + kKeptAt + path);
    else
      notes.push_back(h.caption + " の変更を復元できませんでした（" + problems[i] + "）。" + kKeptAt + path);
  };
  if (any) {
    std::string list;
    for (std::size_t i = 0; i < left.size(); ++i) {
      if (i == 20) {
        list += "．．．以下省略\r\n";
        break;
      }
      const RestorePlan& plan = plans[i];
      const char* what = !problems[i].empty() ? "：復元できません"
                         : left[i].header.hasFile && plan.baseChanged && plan.from != RestoreFrom::File
                             ? "：ファイルが変更されているため、新しいタブに復元します"
                             : "";
      list += "   " + left[i].header.caption + "（最終変更 " + TimeText(left[i].lastChangeNs) + "）" + what +
              "\r\n";
    }
    const bool someKept =
        std::any_of(problems.begin(), problems.end(), [](const auto& p) { return !p.empty(); });
    const std::string text =
        "前回は正常に終了しなかったため、保存されていない変更が残っています。\r\n" + list +
        "これらの変更を復元しますか？\r\n" +
        (someKept ? "（「いいえ」を選ぶと、復元できる変更は破棄されます。復元できないものは残しておきます。）"
                  : "（「いいえ」を選ぶと、残っている変更は破棄されます。）");
    switch (ui_.Boxes.AskYesNo(text, "Quiret")) {
      case YesNoAnswer::Yes:
        for (std::size_t i = 0; i < left.size(); ++i) {
          if (problems[i].empty())
            RestoreJournal(folder, left[i], plans[i], notes);
          else
            keep(i);
        }
        break;
      case YesNoAnswer::No:
        for (std::size_t i = 0; i < left.size(); ++i) {
          if (problems[i].empty())
            left[i].file->Unlink();
          else
            keep(i);
        }
        break;
      case YesNoAnswer::Closed:
        break;  // no choice made: the journals wait for the next start
    }
  } else {
    for (std::size_t i = 0; i < left.size(); ++i) keep(i);  // nothing to ask about
  }
  if (!notes.empty()) {
    std::string text;
    for (const std::string& note : notes) text += (text.empty() ? "" : "\r\n\r\n") + note;
    ui_.Boxes.ShowInformation(text);
  }
  if (TabCount() > 0) UpdateStatusBar();
}

ReplayOutcome TFormBase::FillRestoredTab(int index, LeftJournal& journal, RestorePlan& plan, bool intoFile) {
  const JournalHeader& header = journal.header;
  TTabSheet& tab = *tabs_[index];
  TLumoEdit& ed = *tab.Editor;
  if (intoFile) {
    tab.Hint = header.path;
    SetTabCaption(index, ExtractFileName(header.path));
    tab.Disk = plan.seen;  // what a save compares with, as for any file read
  }
  ReplayOutcome outcome;
  auto replay = [&](TLumoStrings& rows) { outcome = ReplayJournal(*journal.file, plan.recordsAt, rows); };
  // The changes were made to the text as it was read then: it is read in the same encoding,
  // and a save writes that file's encoding, byte-order mark and line ends again.
  if (!header.encoding.empty()) tab.AskedEncoding = EncodingFromName(header.encoding);
  if (plan.from == RestoreFrom::Snapshot && intoFile) {
    TLumoStrings read;
    ReadTabText(tab, read, header.path, {});  // for how the file is written only
  }
  if (plan.from == RestoreFrom::File) {
    LoadIntoTab(tab, header.path, [&](TLumoStrings& rows) {
      // Replayed only onto the bytes the changes were made to.
      if (!LooksUnchanged(plan.seen, IdentityOf(header.path)))
        throw std::runtime_error(header.path + " は読み込み中に変更されました。");
      replay(rows);
    });
  } else if (plan.from == RestoreFrom::Base) {
    // The file's bytes as they were read, read again as any open reads a file.
    const BaseCopy copy(journal, plan);
    LoadIntoTab(tab, copy.Path(), replay);
  } else {
    auto rows = std::make_unique<TLumoStrings>();
    {
      std::string text;
      if (plan.from == RestoreFrom::Snapshot &&
          !ReadPlanned(journal, plan, text, TLumoStrings::kEndMarker.size()))
        throw std::runtime_error(kDamaged);
      text.append(TLumoStrings::kEndMarker);
      rows->SetText(text);
    }
    replay(*rows);
    ed.LoadRows(std::move(rows));
    ed.ApplySettings();
  }
  ed.MoveToTextStart();
  if (intoFile) {
    if (IsReadOnlyFile(header.path)) tab.Flags = ReadOnlyFile;
    if (header.path == ReadMePath) tab.Flags |= ReadMeFile;
    SettleTabText(tab);
  }
  // The caret where the last change left it, as it stood when the program ended.
  if (outcome.lastEnd) ed.ShowCaretAt(LinePos{outcome.lastEnd->second, outcome.lastEnd->first});
  // Different from every saved state: undoing never makes it look unchanged.
  ed.UndoOverflow = true;
  ed.SetModified(true);
  return outcome;
}

void TFormBase::RestoreJournal(const std::string& folder, LeftJournal& journal, RestorePlan& plan,
                               std::vector<std::string>& notes) {
  const JournalHeader header = journal.header;
  // Into the file's own tab only when that file is still the journal's base, and open nowhere else.
  bool openElsewhere = false;
  for (int i = 0; i < TabCount(); ++i) openElsewhere = openElsewhere || tabs_[i]->Hint == header.path;
  const bool intoFile = header.hasFile && !plan.baseChanged && !openElsewhere;
  const int previous = ActiveIndex();
  NewTab();
  const int index = TabCount() - 1;
  TTabSheet& tab = *tabs_[index];
  try {
    const ReplayOutcome outcome = FillRestoredTab(index, journal, plan, intoFile);
    const std::uint64_t bytes = TextBytes(*tab.Editor->Lines);
    if (intoFile || !header.hasFile) {
      const bool standsAlone = plan.holdsBase || plan.from == RestoreFrom::Snapshot;
      tab.Journal->Adopt(std::move(journal.file), header, journal.baseHash, outcome.soundSize, bytes,
                         standsAlone);
    } else {
      // A new document now: its journal starts with the whole text, the old one goes.
      journal.file->Unlink();
      JournalHeader fresh;
      fresh.caption = TabCaption(index);
      fresh.openedNs = header.openedNs;
      tab.Journal->Restart(fresh, bytes);
      tab.Journal->Compact();
      notes.push_back(header.path +
                      (plan.baseChanged ? "\r\n は前回の編集のあとで変更されていたため、"
                                        : "\r\n はほかのタブで開かれているため、") +
                      header.caption + " の変更は新しいタブ " + TabCaption(index) + " に復元しました。");
    }
    if (outcome.damaged)
      notes.push_back(header.caption +
                      " の回復用の記録は途中で壊れていました。壊れる前までの変更を復元しました。");
  } catch (const std::exception& e) {
    if (!journal.file) throw;  // already carried on by the tab, which must then stay
    DestroyTab(index);
    if (TabCount() > 0) ActivateTab(previous >= 0 && previous < TabCount() ? previous : TabCount() - 1);
    notes.push_back(header.caption + " の変更を復元できませんでした（" + e.what() + "）。" + kKeptAt +
                    KeepJournal(folder, journal.file->Path()));
  }
}

}  // namespace quiret
