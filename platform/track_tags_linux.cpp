#include "platform/track_tags_linux.h"

#include <libopenmpt/libopenmpt.h>
#include <taglib/apeitem.h>
#include <taglib/apetag.h>
#include <taglib/asffile.h>
#include <taglib/attachedpictureframe.h>
#include <taglib/fileref.h>
#include <taglib/flacfile.h>
#include <taglib/id3v1tag.h>
#include <taglib/id3v2tag.h>
#include <taglib/mp4file.h>
#include <taglib/mpegfile.h>
#include <taglib/opusfile.h>
#include <taglib/tiostream.h>
#include <taglib/tpropertymap.h>
#include <taglib/vorbisfile.h>

#include <algorithm>
#include <memory>

#include "platform/cover_cache_linux.h"
#include "platform/file_system.h"
#include "platform/tag_text.h"

namespace {

// Tracker modules are read whole by libopenmpt; larger files are no module anyone keeps.
constexpr int64_t kMaxModuleBytes = 64ll << 20;

// TagLib's view of a file opened through the file system interface; read-only.
class MediaFileStream : public TagLib::IOStream {
 public:
  MediaFileStream(std::unique_ptr<MediaFile> file, std::string path)
      : file_(std::move(file)), path_(std::move(path)) {}

  TagLib::FileName name() const override { return path_.c_str(); }
  TagLib::ByteVector readBlock(unsigned long length) override {
    int64_t left = file_->Size() - position_;
    if (left <= 0 || !file_->Seek(position_)) return TagLib::ByteVector();
    // A frame that claims gigabytes gets what the file holds.
    unsigned long wanted = static_cast<unsigned long>(std::min<int64_t>(length, left));
    TagLib::ByteVector block(static_cast<unsigned int>(wanted), 0);
    int64_t got = file_->Read(block.data(), wanted);
    if (got <= 0) return TagLib::ByteVector();
    block.resize(static_cast<unsigned int>(got));
    position_ += got;
    return block;
  }
  void writeBlock(const TagLib::ByteVector&) override {}
  void insert(const TagLib::ByteVector&, unsigned long, unsigned long) override {}
  void removeBlock(unsigned long, unsigned long) override {}
  bool readOnly() const override { return true; }
  bool isOpen() const override { return true; }
  void seek(long offset, Position from) override {
    int64_t base = from == Beginning ? 0 : from == Current ? position_ : file_->Size();
    int64_t target = base + offset;
    position_ = target < 0 ? 0 : target > file_->Size() ? file_->Size() : target;
  }
  long tell() const override { return static_cast<long>(position_); }
  long length() override { return static_cast<long>(file_->Size()); }
  void truncate(long) override {}

 private:
  std::unique_ptr<MediaFile> file_;
  std::string path_;
  int64_t position_ = 0;
};

std::string Bytes(const TagLib::ByteVector& data) {
  return std::string(data.data(), data.size());
}

TagLib::String FromSingleBytes(const TagLib::ByteVector& data) {
  return TagLib::String(SingleByteTagText(Bytes(data)), TagLib::String::UTF8);
}

class CodePageId3v2Text : public TagLib::ID3v2::Latin1StringHandler {
 public:
  TagLib::String parse(const TagLib::ByteVector& data) const override {
    return FromSingleBytes(data);
  }
};

class CodePageId3v1Text : public TagLib::ID3v1::StringHandler {
 public:
  // ID3v1 pads its fixed fields with spaces as well as NULs.
  TagLib::String parse(const TagLib::ByteVector& data) const override {
    return FromSingleBytes(data).stripWhiteSpace();
  }
};

std::string Utf8(const TagLib::String& text) {
  return text.to8Bit(true);
}

std::vector<std::string> Utf8List(const TagLib::StringList& texts) {
  std::vector<std::string> list;
  for (const TagLib::String& text : texts)
    if (!text.isEmpty()) list.push_back(Utf8(text));
  return list;
}

std::string FirstOf(const TagLib::PropertyMap& properties, const char* key) {
  auto found = properties.find(key);
  return found == properties.end() || found->second.isEmpty() ? "" : Utf8(found->second.front());
}

struct EmbeddedPicture {
  int type;
  std::string data;
};

std::vector<EmbeddedPicture> FlacPictures(const TagLib::List<TagLib::FLAC::Picture*>& list) {
  std::vector<EmbeddedPicture> pictures;
  for (const TagLib::FLAC::Picture* picture : list)
    pictures.push_back({picture->type(), Bytes(picture->data())});
  return pictures;
}

// APEv2 keeps each picture as a binary "Cover Art (Front)", "Cover Art (Back)"... item: a file
// name, a NUL and the image.
std::vector<EmbeddedPicture> ApePictures(const TagLib::APE::Tag& tag) {
  std::vector<EmbeddedPicture> pictures;
  for (const auto& [key, item] : tag.itemListMap()) {
    if (item.type() != TagLib::APE::Item::Binary || !key.startsWith("COVER ART (")) continue;
    std::string data = Bytes(item.binaryData());
    size_t name = data.find('\0');
    pictures.push_back({key == "COVER ART (FRONT)" ? 3 : 0,
                        name == std::string::npos ? data : data.substr(name + 1)});
  }
  return pictures;
}

std::vector<EmbeddedPicture> PicturesOf(TagLib::File* file) {
  std::vector<EmbeddedPicture> pictures;
  std::vector<EmbeddedPicture> ape;
  TagLib::ID3v2::Tag* id3v2 = nullptr;
  if (auto* mpeg = dynamic_cast<TagLib::MPEG::File*>(file)) {
    id3v2 = mpeg->ID3v2Tag();
    if (mpeg->APETag()) ape = ApePictures(*mpeg->APETag());
  }
  if (auto* flac = dynamic_cast<TagLib::FLAC::File*>(file)) {
    pictures = FlacPictures(flac->pictureList());
    if (pictures.empty() && flac->hasXiphComment())
      pictures = FlacPictures(flac->xiphComment()->pictureList());
    if (pictures.empty()) id3v2 = flac->ID3v2Tag();
  }
  if (auto* vorbis = dynamic_cast<TagLib::Ogg::Vorbis::File*>(file))
    pictures = FlacPictures(vorbis->tag()->pictureList());
  if (auto* opus = dynamic_cast<TagLib::Ogg::Opus::File*>(file))
    pictures = FlacPictures(opus->tag()->pictureList());
  if (id3v2) {
    for (TagLib::ID3v2::Frame* frame : id3v2->frameList("APIC")) {
      if (auto* picture = dynamic_cast<TagLib::ID3v2::AttachedPictureFrame*>(frame))
        pictures.push_back({picture->type(), Bytes(picture->picture())});
    }
  }
  pictures.insert(pictures.end(), ape.begin(), ape.end());
  if (auto* mp4 = dynamic_cast<TagLib::MP4::File*>(file)) {
    // MP4 marks no picture as the front one: the first is.
    if (mp4->tag() && mp4->tag()->contains("covr")) {
      for (const TagLib::MP4::CoverArt& art : mp4->tag()->item("covr").toCoverArtList())
        pictures.push_back({3, Bytes(art.data())});
    }
  }
  if (auto* asf = dynamic_cast<TagLib::ASF::File*>(file)) {
    if (asf->tag()) {
      for (const TagLib::ASF::Attribute& attribute : asf->tag()->attribute("WM/Picture")) {
        TagLib::ASF::Picture picture = attribute.toPicture();
        if (picture.isValid()) pictures.push_back({picture.type(), Bytes(picture.picture())});
      }
    }
  }
  return pictures;
}

// Front cover is type 3 in ID3v2, FLAC and ASF alike.
std::string StoredFrontCover(TagLib::File* file, FileSystem& files, const std::string& folder) {
  std::vector<EmbeddedPicture> pictures = PicturesOf(file);
  // Front covers first, then the rest in the file's order; the first that is an image wins.
  std::stable_partition(pictures.begin(), pictures.end(),
                        [](const EmbeddedPicture& picture) { return picture.type == 3; });
  for (const EmbeddedPicture& picture : pictures) {
    std::string url = StoreCover(files, folder, picture.data);
    if (!url.empty()) return url;
  }
  return "";
}

bool ReadWithTagLib(FileSystem& files, const std::string& unixPath, const std::string& coverFolder,
                    TrackTags* tags) {
  std::unique_ptr<MediaFile> opened = files.OpenMediaFile(unixPath);
  if (!opened) return false;
  MediaFileStream stream(std::move(opened), unixPath);
  TagLib::FileRef ref(&stream, false);
  if (ref.isNull()) return false;
  TagLib::PropertyMap properties = ref.file()->properties();
  tags->title = FirstOf(properties, "TITLE");
  tags->artists = Utf8List(properties["ARTIST"]);
  tags->albumArtists = Utf8List(properties["ALBUMARTIST"]);
  tags->album = FirstOf(properties, "ALBUM");
  tags->trackNumber = LeadingNumber(FirstOf(properties, "TRACKNUMBER"));
  tags->discNumber = LeadingNumber(FirstOf(properties, "DISCNUMBER"));
  tags->genres = Utf8List(properties["GENRE"]);
  if (!coverFolder.empty()) tags->artUrl = StoredFrontCover(ref.file(), files, coverFolder);
  return true;
}

std::string ModuleMetadata(openmpt_module* module, const char* key) {
  const char* value = openmpt_module_get_metadata(module, key);
  std::string text = value ? value : "";
  openmpt_free_string(value);
  return text;
}

// A tracker module's own title and artist (libopenmpt gives them as UTF-8); false for a file
// that is no module.
bool ReadModule(FileSystem& files, const std::string& unixPath, TrackTags* tags) {
  std::unique_ptr<MediaFile> file = files.OpenMediaFile(unixPath);
  if (!file || file->Size() > kMaxModuleBytes) return false;
  std::string header(openmpt_probe_file_header_get_recommended_size(), '\0');
  int64_t got = file->Read(header.data(), static_cast<int64_t>(header.size()));
  if (got <= 0 ||
      openmpt_probe_file_header(OPENMPT_PROBE_FILE_HEADER_FLAGS_MODULES, header.data(),
                                static_cast<size_t>(got), file->Size(), openmpt_log_func_silent,
                                nullptr, nullptr, nullptr, nullptr,
                                nullptr) != OPENMPT_PROBE_FILE_HEADER_RESULT_SUCCESS)
    return false;
  std::string contents;
  if (!files.ReadWholeFile(unixPath, &contents)) return false;
  // Only the names are wanted: the samples, the bulk of a module, are not loaded. (Skipping the
  // patterns as well leaves a MOD's title empty.)
  const openmpt_module_initial_ctl ctls[] = {
      {"load.skip_samples", "1"}, {"load.skip_plugins", "1"}, {nullptr, nullptr}};
  openmpt_module* module =
      openmpt_module_create_from_memory2(contents.data(), contents.size(), openmpt_log_func_silent,
                                         nullptr, nullptr, nullptr, nullptr, nullptr, ctls);
  if (!module) return false;
  tags->title = ModuleMetadata(module, "title");
  std::string artist = ModuleMetadata(module, "artist");
  if (!artist.empty()) tags->artists.push_back(artist);
  openmpt_module_destroy(module);
  return true;
}

}  // namespace

void ReadSingleByteTagsInCodePage() {
  static CodePageId3v2Text id3v2;
  static CodePageId3v1Text id3v1;
  TagLib::ID3v2::Tag::setLatin1StringHandler(&id3v2);
  TagLib::ID3v1::Tag::setStringHandler(&id3v1);
}

TrackTags ReadTrackTags(FileSystem& files, const std::string& unixPath,
                        const std::string& coverFolder) {
  TrackTags tags;
  if (!ReadModule(files, unixPath, &tags) && !ReadWithTagLib(files, unixPath, coverFolder, &tags))
    tags = TrackTags();
  if (tags.artUrl.empty()) tags.artUrl = FolderCoverUrl(files, unixPath);
  DropInvalidTexts(&tags);
  return tags;
}
