#pragma once

// The fast record scan and the careful one on the same bytes, and what differs between them: shared by
// the scan tests and the scan fuzz target.
#include "level/core/failure.h"
#include "level/format/recordscan.h"

#include <QByteArray>
#include <optional>
#include <vector>

namespace tavrin {

struct ScannedRecord {
    qint64 begin;
    qint64 end;
    QByteArray key;
    bool keyIsText;
};

struct ScanResult {
    std::vector<ScannedRecord> records;
    std::optional<Failure> failure;
};

// `options.openAgain` is set to open the bytes again, so a split scan is possible.
ScanResult ScanFast(const QByteArray& bytes, ScanOptions options);
ScanResult ScanCareful(const QByteArray& bytes);
// The first difference between two results, in words; empty when they are the same.
QString Difference(const ScanResult& fast, const ScanResult& careful);

} // namespace tavrin
