#include "caches/webcache.h"

#include <algorithm>

#include "caches/ese_tables.h"

namespace fh {

namespace {

constexpr std::size_t kFolderName = 8;
// How many rows pass between two questions to the caller.
constexpr std::size_t kRowsPerCheck = 256;

struct Container {
    std::int64_t id = 0;
    std::string directory;
    std::vector<std::string> folders;
};

bool PlainFolderName(std::string_view name) {
    if (name.size() != kFolderName) return false;
    for (char c : name)
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))) return false;
    return true;
}

// A file name that stays inside its folder.
bool PlainFileName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." && name.find_first_of("\\/:") == std::string_view::npos;
}

std::string TextOf(EseRecord& record, const EseColumn* column) {
    return column ? EseText(*column, record.Value(*column)) : std::string();
}

std::int64_t NumberOf(EseRecord& record, const EseColumn* column) {
    return column ? EseInteger(record.Value(*column)) : 0;
}

std::int64_t TimeOf(EseRecord& record, const EseColumn* column) {
    const std::int64_t ticks = NumberOf(record, column);
    return ticks > 0 ? FromFileTime(static_cast<std::uint64_t>(ticks)) : 0;
}

std::vector<Container> ReadContainers(EseDatabase& db, const EseTable& table) {
    const EseColumn* id = table.Column("ContainerId");
    const EseColumn* name = table.Column("Name");
    const EseColumn* directory = table.Column("Directory");
    const EseColumn* folders = table.Column("SecureDirectories");
    std::vector<Container> containers;
    if (!id || !name) return containers;
    ForEachRecord(db, table, [&](EseRecord& record) {
        if (TextOf(record, name) != "Content") return true;
        Container container;
        container.id = NumberOf(record, id);
        container.directory = TextOf(record, directory);
        // The folders' names run together, 8 characters each.
        const std::string names = TextOf(record, folders);
        for (std::size_t at = 0; at + kFolderName <= names.size(); at += kFolderName)
            container.folders.push_back(names.substr(at, kFolderName));
        containers.push_back(std::move(container));
        return true;
    });
    return containers;
}

}  // namespace

bool IsEseDatabase(std::string_view head) { return Le32(head, 4) == 0x89ABCDEF; }

WebCacheReading ReadWebCache(CacheFile& file, const std::function<bool()>& keepGoing) {
    WebCacheReading reading;
    EseDatabase db(file);
    if (!db.Open()) {
        reading.damaged = 1;
        return reading;
    }
    const std::vector<EseTable> tables = ReadCatalog(db);
    const EseTable* containers = nullptr;
    for (const EseTable& table : tables)
        if (table.name == "Containers") containers = &table;
    if (!containers) {
        reading.damaged = db.Damaged() + 1;
        return reading;
    }
    std::size_t seen = 0;
    for (const Container& container : ReadContainers(db, *containers)) {
        const std::string name = "Container_" + std::to_string(container.id);
        for (const EseTable& table : tables) {
            if (table.name != name || reading.cancelled) continue;
            const EseColumn* url = table.Column("Url");
            const EseColumn* fileName = table.Column("Filename");
            const EseColumn* folder = table.Column("SecureDirectory");
            const EseColumn* size = table.Column("FileSize");
            const EseColumn* headers = table.Column("ResponseHeaders");
            ForEachRecord(db, table, [&](EseRecord& record) {
                if (++seen % kRowsPerCheck == 0 && keepGoing && !keepGoing()) {
                    reading.cancelled = true;
                    return false;
                }
                WebCacheRow row;
                row.fileName = TextOf(record, fileName);
                row.url = TextOf(record, url);
                // Entries without a body (redirects, failed downloads) name no file.
                if (row.fileName.empty()) return true;
                const std::int64_t index = NumberOf(record, folder);
                if (row.url.empty() || !PlainFileName(row.fileName) || index < 1 ||
                    index > static_cast<std::int64_t>(container.folders.size()) ||
                    !PlainFolderName(container.folders[static_cast<std::size_t>(index - 1)])) {
                    ++reading.damaged;
                    return true;
                }
                row.folder = container.folders[static_cast<std::size_t>(index - 1)];
                row.directory = container.directory;
                row.fileSize = static_cast<std::uint64_t>(std::max<std::int64_t>(0, NumberOf(record, size)));
                const std::string header = headers ? record.Value(*headers) : std::string();
                row.contentType = HeaderValue(header, "Content-Type");
                row.encoding = EncodingOf(header);
                row.created = TimeOf(record, table.Column("CreationTime"));
                row.accessed = TimeOf(record, table.Column("AccessedTime"));
                row.modified = TimeOf(record, table.Column("ModifiedTime"));
                row.expires = TimeOf(record, table.Column("ExpiryTime"));
                row.synced = TimeOf(record, table.Column("SyncTime"));
                reading.rows.push_back(std::move(row));
                return true;
            });
        }
    }
    reading.damaged += db.Damaged();
    return reading;
}

}  // namespace fh
