#include "response_plan.h"

#include <algorithm>

#include "protocol.h"

namespace brevanta::server {
namespace {

ResponseStep Write(std::string bytes) {
    return {ResponseStep::Kind::kWrite, std::move(bytes), 0};
}
ResponseStep Pause(std::uint64_t ms) {
    return {ResponseStep::Kind::kPause, {}, ms};
}
ResponseStep Body(std::uint64_t count) {
    return {ResponseStep::Kind::kBody, {}, count};
}
ResponseStep Filler(std::uint64_t count) {
    return {ResponseStep::Kind::kFiller, {}, count};
}
ResponseStep Close() {
    return {ResponseStep::Kind::kClose, {}, 0};
}

std::string HeaderBytes(const Misbehaviour& faults, std::uint64_t fileSize) {
    if (faults.rawHeader) {
        return *faults.rawHeader;
    }
    std::uint64_t announced = faults.announce.value_or(fileSize);
    // Options keep announced sizes within ten digits; a file too large for them is refused
    // before a plan is made, so the fallback is never sent.
    return FormatHeader(announced + kHeaderSize, kFileType).value_or(std::string());
}

void AddHeader(const Misbehaviour& faults, std::string header, std::vector<ResponseStep>* steps) {
    std::size_t pieces = std::max<std::size_t>(1, faults.headerPieces.value_or(1));
    pieces = std::min(pieces, std::max<std::size_t>(1, header.size()));
    std::uint32_t gap = faults.pauseMs.value_or(kDefaultPieceGapMs);
    // Spread the bytes so that the pieces differ in size by at most one.
    std::size_t offset = 0;
    for (std::size_t i = 0; i < pieces; ++i) {
        std::size_t size = header.size() / pieces + (i < header.size() % pieces ? 1 : 0);
        if (i > 0) {
            steps->push_back(Pause(gap));
        }
        if (size > 0) {
            steps->push_back(Write(header.substr(offset, size)));
        }
        offset += size;
    }
}

void AddBody(const Misbehaviour& faults, std::uint64_t size, std::vector<ResponseStep>* steps) {
    if (!faults.chunk) {
        if (faults.pauseMs) {
            steps->push_back(Pause(*faults.pauseMs));
        }
        if (size > 0) {
            steps->push_back(Body(size));
        }
        return;
    }
    for (std::uint64_t offset = 0; offset < size; offset += *faults.chunk) {
        if (offset > 0 && faults.pauseMs) {
            steps->push_back(Pause(*faults.pauseMs));
        }
        steps->push_back(Body(std::min(*faults.chunk, size - offset)));
    }
}

}  // namespace

std::vector<ResponseStep> PlanResponse(const Misbehaviour& faults, std::uint64_t fileSize) {
    std::vector<ResponseStep> steps;
    if (faults.silent) {
        return steps;
    }
    std::string header = HeaderBytes(faults, fileSize);
    if (faults.closeHeader) {
        header.resize(std::min<std::uint64_t>(header.size(), *faults.closeHeader));
        AddHeader(faults, std::move(header), &steps);
        steps.push_back(Close());
        return steps;
    }
    AddHeader(faults, std::move(header), &steps);
    if (faults.closeAfter) {
        AddBody(faults, std::min(*faults.closeAfter, fileSize), &steps);
        steps.push_back(Close());
        return steps;
    }
    AddBody(faults, fileSize, &steps);
    if (faults.extra > 0) {
        steps.push_back(Filler(faults.extra));
    }
    if (faults.closeAfterResponse) {
        steps.push_back(Close());
    }
    return steps;
}

}  // namespace brevanta::server
