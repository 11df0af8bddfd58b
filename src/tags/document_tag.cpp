#include "tags/document_tag.h"

#include "tags/tag_file.h"
#include "tags/wave_tag.h"

namespace sonthra {

bool IsWaveFile(const std::string& path) {
    tagfile::Fd fd(tagfile::openRegular(path, false));
    std::string head;
    return fd.valid() && tagfile::readAt(fd.get(), 0, 12, head) && head.size() == 12 &&
           head.compare(0, 4, "RIFF") == 0 && head.compare(8, 4, "WAVE") == 0;
}

void DocumentTag::clear() {
    m_v2.reset();
    m_v1.reset();
}

TID3v2& DocumentTag::attachV2(std::unique_ptr<TID3v2> tag) {
    m_v1.reset();
    m_v2 = std::move(tag);
    return *m_v2;
}

TID3v1& DocumentTag::attachV1(std::unique_ptr<TID3v1> tag) {
    m_v2.reset();
    m_v1 = std::move(tag);
    return *m_v1;
}

void DocumentTag::readMp3(const std::string& path) {
    clear();
    auto v2 = std::make_unique<TID3v2>();
    if (v2->readFromFile(path) && v2->exists()) {
        m_v2 = std::move(v2);
        return;
    }
    auto v1 = std::make_unique<TID3v1>();
    if (v1->readFromFile(path) && v1->exists()) m_v1 = std::move(v1);
}

int DocumentTag::readWave(const std::string& path) {
    clear();
    auto v2 = std::make_unique<TID3v2>();
    const int result = ReadId3Chunk(path, *v2);
    if (result == 0) m_v2 = std::move(v2);
    return result;
}

bool DocumentTag::writeMp3(const std::string& path) const {
    if (m_v2) return m_v2->writeToFile(path);
    if (m_v1) return m_v1->writeToFile(path);
    return true;
}

void DocumentTag::promoteV1() {
    if (m_v1) attachV2(TagFromV1(*m_v1));
}

int DocumentTag::writeWave(const std::string& path) {
    promoteV1();
    return m_v2 ? WriteId3Chunk(path, *m_v2) : 0;
}

std::unique_ptr<TID3v2> TagFromV1(const TID3v1& v1) {
    auto v2 = std::make_unique<TID3v2>();
    v2->setTitle(v1.title());
    v2->setArtist(v1.artist());
    v2->setAlbum(v1.album());
    v2->setTrack(v1.track());
    v2->setYear(v1.year());
    v2->setGenre(v1.genreName());
    v2->setComment(v1.comment());
    return v2;
}

}  // namespace sonthra
