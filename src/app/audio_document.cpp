#include "app/audio_document.h"

#include <algorithm>

namespace sonthra {

namespace {

constexpr int kButtonWidth = 162;

}  // namespace

void FillFormat(AudioDocument& document) {
    document.format = makePcmFormat(document.sampleRate, document.bitsPerSample, document.channels);
}

bool HasAudio(const AudioDocument& document) {
    return document.frames > 0 || document.lengthMs > 0;
}

bool NeedsSavePrompt(const AudioDocument& document) {
    return document.state == DocumentState::Modified ||
           (document.state == DocumentState::New && HasAudio(document));
}

SaveRevertCommands SaveRevertFor(const AudioDocument& document) {
    switch (document.state) {
        case DocumentState::Modified:
            return {true, true};
        case DocumentState::Clean:
            return {false, false};
        case DocumentState::New:
            return {HasAudio(document), false};
    }
    return {};
}

bool WorkingCopyUsable(const AudioDocument& document) {
    switch (document.workspace) {
        case WorkspaceState::Ready:
            return true;
        case WorkspaceState::ReadOnly:
            return document.state == DocumentState::New;
        case WorkspaceState::BeingCreated:
            return false;
    }
    return false;
}

std::string UntitledName(std::uint32_t n) {
    return "Untitled" + std::to_string(n) + ".wav";
}

std::string BaseName(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

AudioDocument* DocumentList::at(std::size_t index) {
    return index < m_documents.size() ? m_documents[index].get() : nullptr;
}

const AudioDocument* DocumentList::at(std::size_t index) const {
    return index < m_documents.size() ? m_documents[index].get() : nullptr;
}

AudioDocument* DocumentList::current() {
    return m_current < 0 ? nullptr : at(static_cast<std::size_t>(m_current));
}

const AudioDocument* DocumentList::current() const {
    return m_current < 0 ? nullptr : at(static_cast<std::size_t>(m_current));
}

void DocumentList::setCurrent(int index) {
    m_current = (index >= 0 && static_cast<std::size_t>(index) < m_documents.size()) ? index : -1;
}

std::uint32_t DocumentList::nextId() const {
    std::uint32_t id = static_cast<std::uint32_t>(m_documents.size());
    while (indexOfId(id) >= 0) ++id;
    return id;
}

std::size_t DocumentList::append(std::unique_ptr<AudioDocument> document) {
    m_documents.push_back(std::move(document));
    return m_documents.size() - 1;
}

std::unique_ptr<AudioDocument> DocumentList::remove(std::size_t index) {
    if (index >= m_documents.size()) return nullptr;
    std::unique_ptr<AudioDocument> taken = std::move(m_documents[index]);
    m_documents.erase(m_documents.begin() + static_cast<std::ptrdiff_t>(index));
    const int removed = static_cast<int>(index);
    if (m_current == removed) {
        m_current = -1;
    } else if (m_current > removed) {
        --m_current;
    }
    return taken;
}

int DocumentList::indexOfFileName(const std::string& fileName) const {
    for (std::size_t i = 0; i < m_documents.size(); ++i) {
        if (m_documents[i]->fileName == fileName) return static_cast<int>(i);
    }
    return -1;
}

int DocumentList::indexOfId(std::uint32_t id) const {
    for (std::size_t i = 0; i < m_documents.size(); ++i) {
        if (m_documents[i]->id == id) return static_cast<int>(i);
    }
    return -1;
}

ButtonGeometry DocumentButtonGeometry(int barWidth, int barHeight, int count, int index) {
    ButtonGeometry g;
    if (count <= 0) return g;
    if (count * kButtonWidth >= barWidth) {
        g.width = barWidth / count;
    } else {
        g.width = std::min(kButtonWidth, barWidth);
    }
    g.x = index * g.width;
    g.height = std::max(0, barHeight - 1);
    return g;
}

}  // namespace sonthra
