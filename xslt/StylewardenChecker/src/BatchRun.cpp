// One checker per thread; the threads take files by index, and the writer waits for each
// file in turn, so that the order of the report never depends on timing.
#include "BatchRun.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <thread>

#include "SarifReport.h"
#include "StylesheetSyntaxChecker.h"

namespace fs = std::filesystem;

namespace {

bool IsStylesheetName(const fs::path& path) {
  std::string extension = path.extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return extension == ".xsl" || extension == ".xslt";
}

StylesheetSyntaxError Unreadable(const std::string& what) {
  return StylesheetSyntaxError(
      SYNTAXERROR_XML_FATAL_ERROR, SEVERITY_ERROR,
      L"The directory cannot be read: " + std::wstring(what.begin(), what.end()), Location{1, 1},
      Location{1, 1});
}

void Walk(const fs::path& directory, std::vector<FileRecords>& files) {
  std::error_code failure;
  std::vector<fs::directory_entry> entries;
  for (fs::directory_iterator entry(directory, failure), end; !failure && entry != end;
       entry.increment(failure)) {
    entries.push_back(*entry);
  }
  if (failure) {
    files.push_back({directory.string(), {Unreadable(failure.message())}});
    return;
  }
  std::sort(entries.begin(), entries.end(),
            [](const fs::directory_entry& a, const fs::directory_entry& b) {
              return a.path().filename().string() < b.path().filename().string();
            });
  for (const fs::directory_entry& entry : entries) {
    std::error_code ignored;
    if (entry.is_directory(ignored) && !entry.is_symlink(ignored)) {
      Walk(entry.path(), files);
    } else if (entry.is_regular_file(ignored) && IsStylesheetName(entry.path())) {
      files.push_back({entry.path().string(), {}});
    }
  }
}

}  // namespace

std::vector<FileRecords> CollectFiles(const std::vector<std::string>& paths) {
  std::vector<FileRecords> files;
  for (const std::string& path : paths) {
    std::error_code ignored;
    if (fs::is_directory(path, ignored)) {
      Walk(path, files);
    } else {
      files.push_back({path, {}});
    }
  }
  return files;
}

BatchStatus RunBatch(const BatchOptions& options, std::ostream& out) {
  std::vector<FileRecords> files = CollectFiles(options.paths);
  // Entries that already hold a record (unreadable directories) are not checked.
  std::vector<char> done(files.size(), 0);
  std::mutex mutex;
  std::condition_variable finished;
  std::atomic<std::size_t> next{0};
  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  const std::size_t threadCount =
      std::min<std::size_t>(options.jobs == 0 ? cores : options.jobs, files.size());
  std::vector<std::thread> threads;
  for (std::size_t t = 0; t < threadCount; ++t) {
    threads.emplace_back([&] {
      StylesheetSyntaxChecker checker;
      for (std::size_t i = next++; i < files.size(); i = next++) {
        if (files[i].records.empty()) {
          std::vector<StylesheetSyntaxError> records;
          if (!checker.getStylesheetSyntaxErrorsFromFile(files[i].path, records)) {
            records.assign(1, checker.getCheckFailure());
          }
          files[i].records = std::move(records);
        }
        const std::lock_guard<std::mutex> lock(mutex);
        done[i] = 1;
        finished.notify_all();
      }
    });
  }
  bool findings = false;
  for (std::size_t i = 0; i < files.size(); ++i) {
    std::unique_lock<std::mutex> lock(mutex);
    finished.wait(lock, [&] { return done[i] != 0; });
    lock.unlock();
    findings = findings || !files[i].records.empty();
    if (!options.sarif) {
      for (const StylesheetSyntaxError& record : files[i].records) {
        out << files[i].path << ": " << record << '\n';
      }
    }
  }
  for (std::thread& thread : threads) {
    thread.join();
  }
  if (options.sarif) {
    out << SarifLog(files).dump(2) << '\n';
  }
  out.flush();
  return findings ? kBatchFindings : kBatchClean;
}
