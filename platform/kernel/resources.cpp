// The program's resource table.
#include "ce/resources.h"

#include <atomic>

namespace ce {
namespace {

const ResourceTable g_emptyTable{};
std::atomic<const ResourceTable*> g_programTable{&g_emptyTable};

}  // namespace

ResourceRegistration::ResourceRegistration(const ResourceTable& table)
    : m_previous(g_programTable.exchange(&table)) {}

ResourceRegistration::~ResourceRegistration() {
    g_programTable.store(m_previous);
}

const ResourceTable& ProgramResources() {
    return *g_programTable.load();
}

}  // namespace ce
