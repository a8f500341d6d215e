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

#include "ModuleGraph.h"
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

namespace {

// Runs check(checker, i) for i in [from, to) on up to `jobs` threads, one checker each, and
// calls done(i) in index order, each as soon as every earlier index is checked.
template <typename Check, typename Done>
void CheckInParallel(std::size_t from, std::size_t to, unsigned jobs, Check check, Done done) {
  std::vector<char> finished(to - from, 0);
  std::mutex mutex;
  std::condition_variable finishing;
  std::atomic<std::size_t> next{from};
  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  const std::size_t threadCount = std::min<std::size_t>(jobs == 0 ? cores : jobs, to - from);
  std::vector<std::thread> threads;
  for (std::size_t t = 0; t < threadCount; ++t) {
    threads.emplace_back([&] {
      StylesheetSyntaxChecker checker;
      for (std::size_t i = next++; i < to; i = next++) {
        check(checker, i);
        const std::lock_guard<std::mutex> lock(mutex);
        finished[i - from] = 1;
        finishing.notify_all();
      }
    });
  }
  for (std::size_t i = from; i < to; ++i) {
    std::unique_lock<std::mutex> lock(mutex);
    finishing.wait(lock, [&] { return finished[i - from] != 0; });
    lock.unlock();
    done(i);
  }
  for (std::thread& thread : threads) {
    thread.join();
  }
}

void CheckListedFile(StylesheetSyntaxChecker& checker, FileRecords& file) {
  std::vector<StylesheetSyntaxError> records;
  if (!checker.getStylesheetSyntaxErrorsFromFile(file.path, records)) {
    records.assign(1, checker.getCheckFailure());
  }
  file.records = std::move(records);
}

// The files and the modules they reach, in the report's order: checked round by round (the
// files, then the modules they name that are new, and so on), then ordered depth first.
std::vector<FileRecords> CheckWithModules(std::vector<FileRecords> files, unsigned jobs) {
  ModuleGraph graph;
  std::vector<int> roots;
  for (FileRecords& file : files) {
    const std::size_t known = graph.nodes().size();
    const int node = graph.add(file.path, FileIdentity(file.path));
    if (graph.nodes().size() > known) {
      graph.nodes()[node].records = std::move(file.records);
    }
    roots.push_back(node);
  }
  const std::size_t listed = graph.nodes().size();
  for (std::size_t from = 0; from < graph.nodes().size();) {
    const std::size_t to = graph.nodes().size();
    // The nodes do not move while a round runs: new ones are added after it.
    std::vector<ModuleGraph::Node>& nodes = graph.nodes();
    CheckInParallel(
        from, to, jobs,
        [&](StylesheetSyntaxChecker& checker, std::size_t i) {
          ModuleGraph::Node& node = nodes[i];
          node.checked = true;
          if (i < listed) {
            // Entries that already hold a record (unreadable directories) are not checked.
            if (node.records.empty()) {
              FileRecords file{node.path, {}};
              CheckListedFile(checker, file);
              node.records = std::move(file.records);
              node.references = checker.getModuleReferences();
              node.package = checker.checkedPackage();
            }
          } else {
            CheckModuleFile(checker, node.path, node.records, node.references, node.package);
          }
        },
        [](std::size_t) {});
    for (std::size_t i = from; i < to; ++i) {
      graph.link(static_cast<int>(i));
    }
    from = to;
  }
  std::vector<FileRecords> report;
  for (const int node : graph.order(roots)) {
    report.push_back({graph.nodes()[node].path, std::move(graph.nodes()[node].records)});
  }
  return report;
}

void WriteLines(const FileRecords& file, std::ostream& out) {
  for (const StylesheetSyntaxError& record : file.records) {
    out << file.path << ": " << record << '\n';
  }
}

}  // namespace

BatchStatus RunBatch(const BatchOptions& options, std::ostream& out) {
  std::vector<FileRecords> files = CollectFiles(options.paths);
  if (options.modules) {
    files = CheckWithModules(std::move(files), options.jobs);
    if (!options.sarif) {
      for (const FileRecords& file : files) {
        WriteLines(file, out);
      }
    }
  } else {
    CheckInParallel(
        0, files.size(), options.jobs,
        [&files](StylesheetSyntaxChecker& checker, std::size_t i) {
          // Entries that already hold a record (unreadable directories) are not checked.
          if (files[i].records.empty()) {
            CheckListedFile(checker, files[i]);
          }
        },
        [&](std::size_t i) {
          if (!options.sarif) {
            WriteLines(files[i], out);
          }
        });
  }
  const bool findings = std::any_of(files.begin(), files.end(),
                                    [](const FileRecords& file) { return !file.records.empty(); });
  if (options.sarif) {
    out << SarifLog(files).dump(2) << '\n';
  }
  out.flush();
  return findings ? kBatchFindings : kBatchClean;
}
