#include "data/ParadoxTable.h"

// pxlib's header declares its functions without C linkage.
extern "C" {
#include <paradox.h>
}

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <system_error>
#include <utility>

#include "platform/CodePage.h"
#include "platform/Text.h"

namespace kvt::data {

namespace fs = std::filesystem;

namespace {

// An office table is a few dozen records; anything near this is not one.
constexpr std::uintmax_t kLargestTable = 64u << 20;
// Days from 01.01.0001, the first day of the desktop database's dates, to 30.12.1899.
constexpr long kDateOffset = 693594;
// The one byte Windows-1251 leaves undefined.
constexpr unsigned char kUndefinedCp1251 = 0x98;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// One pxlib document. pxlib reports its failures through a handler as well as by its return
// codes; its messages are English and would reach nobody, so the handler only keeps them off
// standard error and the caller says what failed in the operator's words.
class Document {
public:
    Document() : doc_(PX_new3(&Document::onError, nullptr, nullptr, nullptr, nullptr)) {
        if (!doc_)
            throw ParadoxError("Недостаточно памяти для чтения таблицы Paradox");
    }
    ~Document() {
        if (open_)
            PX_close(doc_);
        PX_delete(doc_);
    }
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

    pxdoc_t* get() const { return doc_; }
    void opened() { open_ = true; }
    // A failed open that got as far as the block index frees the index without forgetting it,
    // and PX_delete would free it again.
    void openFailed() { doc_->px_indexdata = nullptr; }

    template <typename T>
    void free(T* memory) const {
        doc_->free(doc_, memory);
    }

private:
    static void onError(pxdoc_t*, int, const char*, void*) {}

    pxdoc_t* doc_;
    bool open_ = false;
};

ParadoxType typeOf(char code) {
    switch (code) {
        case pxfAlpha:
            return ParadoxType::Alpha;
        case pxfShort:
            return ParadoxType::Short;
        case pxfLong:
            return ParadoxType::Long;
        case pxfAutoInc:
            return ParadoxType::AutoInc;
        case pxfNumber:
            return ParadoxType::Number;
        case pxfCurrency:
            return ParadoxType::Currency;
        case pxfLogical:
            return ParadoxType::Logical;
        case pxfDate:
            return ParadoxType::Date;
        default:
            return ParadoxType::Other;
    }
}

// The record length of each kind but alpha, which keeps its own.
int fixedLength(ParadoxType type) {
    switch (type) {
        case ParadoxType::Short:
            return 2;
        case ParadoxType::Long:
        case ParadoxType::AutoInc:
        case ParadoxType::Date:
            return 4;
        case ParadoxType::Number:
        case ParadoxType::Currency:
            return 8;
        case ParadoxType::Logical:
            return 1;
        default:
            return 0;
    }
}

char codeOf(ParadoxType type) {
    switch (type) {
        case ParadoxType::Alpha:
            return pxfAlpha;
        case ParadoxType::Short:
            return pxfShort;
        case ParadoxType::Long:
            return pxfLong;
        case ParadoxType::AutoInc:
            return pxfAutoInc;
        case ParadoxType::Number:
            return pxfNumber;
        case ParadoxType::Currency:
            return pxfCurrency;
        case ParadoxType::Logical:
            return pxfLogical;
        case ParadoxType::Date:
            return pxfDate;
        case ParadoxType::Other:
            break;
    }
    throw ParadoxError("Поле этого типа не записывается в таблицу Paradox");
}

std::string damaged(const std::string& detail) {
    return "Файл не является таблицей Paradox или поврежден" +
           (detail.empty() ? std::string() : ": " + detail);
}

// The layout of a table file, checked before pxlib sees it: pxlib trusts the header's sizes and
// block numbers, and on a header it cannot use it frees what it later frees again, so a file
// reaches it only when every size and block it will follow lies inside the file.
class LayoutCheck {
public:
    explicit LayoutCheck(std::string_view bytes) : bytes_(bytes) {}

    void run() const {
        if (bytes_.size() < kCommonHeader)
            fail("файл короче заголовка таблицы");
        const unsigned fileType = byte(0x04);
        const unsigned blockKb = byte(0x05);
        const unsigned version = byte(0x39);
        if ((fileType != pxfFileTypIndexDB && fileType != pxfFileTypNonIndexDB) || blockKb < 1 ||
            blockKb > 32 || version < 3 || version > 12)
            fail("заголовок не описывает таблицу");
        const unsigned recordSize = word(0x00);
        const unsigned headerSize = word(0x02);
        const unsigned fieldCount = word(0x21);
        if (recordSize == 0 || headerSize == 0 || headerSize > bytes_.size() || fieldCount == 0 ||
            fieldCount > kMostFields)
            fail("размеры в заголовке не согласуются с файлом");
        // Versions 3 and 4 have no data header; later ones carry it before the field list.
        const bool dataHeader = version >= 5;
        if (encrypted(dataHeader))
            fail("таблица защищена паролем");
        checkFields(dataHeader ? kCommonHeader + kDataHeader : kCommonHeader, fieldCount,
                    version == 12 ? 261 : 79, recordSize);
        checkBlocks(recordSize, headerSize, blockKb * 1024u);
    }

private:
    static constexpr std::size_t kCommonHeader = 0x58;
    static constexpr std::size_t kDataHeader = 0x20;
    static constexpr std::size_t kBlockHead = 6;
    // pxlib reads a field name into 300 bytes and stops at 299 without taking its end.
    static constexpr std::size_t kLongestName = 299;
    static constexpr std::uint32_t kKeyInDataHeader = 0xFF00FF00u;
    static constexpr unsigned kMostFields = 1024;

    [[noreturn]] static void fail(const std::string& detail) {
        throw ParadoxError(damaged(detail));
    }

    unsigned byte(std::size_t at) const { return static_cast<unsigned char>(bytes_[at]); }
    unsigned word(std::size_t at) const { return byte(at) | byte(at + 1) << 8; }
    std::uint32_t dword(std::size_t at) const {
        return word(at) | static_cast<std::uint32_t>(word(at + 2)) << 16;
    }

    // 0xFF00FF00 in the header sends pxlib to the data header's key, which a file without a
    // data header does not have: only a final key of 0 is a table without a password.
    bool encrypted(bool dataHeader) const {
        std::uint32_t key = dword(0x25);
        if (key == kKeyInDataHeader) {
            if (!dataHeader || bytes_.size() < kCommonHeader + kDataHeader)
                return true;
            key = dword(0x5C);
        }
        return key != 0;
    }

    // Field kinds and sizes, the pointers pxlib skips, the table name and the field names,
    // each name ended within the file; the fields fill the record exactly.
    void checkFields(std::size_t at, unsigned count, std::size_t tableName,
                     unsigned recordSize) const {
        unsigned used = 0;
        for (unsigned i = 0; i < count; ++i, at += 2) {
            if (at + 2 > bytes_.size())
                fail("описания полей обрываются");
            used += byte(at) == pxfBCD ? 17 : byte(at + 1);
        }
        if (used != recordSize)
            fail("поля не заполняют запись");
        at += 4 + 4 * static_cast<std::size_t>(count);
        // pxlib copies the table name as a string of its own: it must end inside its bytes.
        if (at + tableName > bytes_.size() ||
            std::string_view(bytes_).substr(at, tableName).find('\0') == std::string_view::npos)
            fail("название таблицы обрывается");
        at += tableName;
        for (unsigned i = 0; i < count; ++i) {
            const std::size_t end = at < bytes_.size() ? bytes_.find('\0', at) : bytes_.npos;
            if (end == bytes_.npos || end - at >= kLongestName)
                fail("названия полей обрываются");
            at = end + 1;
        }
    }

    // The chain of data blocks from the first: every block inside the file and visited once,
    // its records inside the block, and as many records in all as the header counts.
    void checkBlocks(unsigned recordSize, std::size_t headerSize, std::size_t blockSize) const {
        const unsigned blocks = word(0x0C);
        std::vector<bool> seen(blocks + 1u, false);
        std::uint64_t records = 0;
        // Block numbers and sizes are unsigned words to pxlib: a "negative" one is followed.
        for (unsigned block = word(0x0E); block > 0;) {
            const std::size_t start = headerSize + (block - 1) * blockSize;
            if (block > blocks || seen[block] || start + blockSize > bytes_.size())
                fail("цепочка блоков данных нарушена");
            seen[block] = true;
            // A block whose records were all deleted keeps a "negative" size, which pxlib reads
            // as a huge count of records: such a block is refused with the damaged ones.
            const std::size_t inBlock = word(start + 4) / recordSize + 1;
            if (inBlock * recordSize > blockSize - kBlockHead)
                fail("блок данных " + std::to_string(block) + " поврежден");
            records += inBlock;
            block = word(start);
        }
        if (records != dword(0x06))
            fail("число записей в заголовке не совпадает с блоками данных");
    }

    std::string_view bytes_;
};

}  // namespace

// Reads a whole table from an open document, checking every field and record against the
// record size the header gives, since a damaged header would send pxlib past its buffers.
class ParadoxReader {
public:
    explicit ParadoxReader(Document& doc) : doc_(doc) {}

    ParadoxTable read() {
        ParadoxTable table;
        readFields(table);
        const int count = PX_get_num_records(doc_.get());
        if (count < 0)
            throw ParadoxError(damaged("число записей не читается"));
        std::vector<char> record(static_cast<std::size_t>(recordSize_));
        for (int recno = 0; recno < count; ++recno) {
            int deleted = 0;
            pxdatablockinfo_t block{};
            if (!PX_get_record2(doc_.get(), recno, record.data(), &deleted, &block))
                throw ParadoxError(damaged("запись " + std::to_string(recno + 1) + " не читается"));
            if (!deleted)
                table.records_.push_back(values(table, record, recno));
        }
        return table;
    }

private:
    void readFields(ParadoxTable& table) {
        const int count = PX_get_num_fields(doc_.get());
        recordSize_ = PX_get_recordsize(doc_.get());
        if (count <= 0 || recordSize_ <= 0)
            throw ParadoxError(damaged("в таблице нет полей"));
        int used = 0;
        for (int i = 0; i < count; ++i) {
            const pxfield_t* field = PX_get_field(doc_.get(), i);
            if (!field || !field->px_fname || field->px_flen <= 0 ||
                field->px_flen > recordSize_ - used)
                throw ParadoxError(damaged("описание поля " + std::to_string(i + 1) +
                                           " не согласуется с размером записи"));
            const ParadoxType type = typeOf(field->px_ftype);
            const int fixed = fixedLength(type);
            table.fields_.push_back(
                {.name = text(field->px_fname, "название поля"),
                 .type = fixed && fixed != field->px_flen ? ParadoxType::Other : type,
                 .length = field->px_flen});
            used += field->px_flen;
        }
    }

    std::vector<Variant> values(const ParadoxTable& table, std::vector<char>& record, int recno) {
        std::vector<Variant> result;
        char* data = record.data();
        for (const ParadoxField& field : table.fields_) {
            result.push_back(value(field, data, recno));
            data += field.length;
        }
        return result;
    }

    Variant value(const ParadoxField& field, char* data, int recno) const {
        // The desktop database keeps a blank value of any kind as zero bytes.
        if (std::all_of(data, data + field.length, [](char byte) { return byte == 0; }))
            return {};
        switch (field.type) {
            case ParadoxType::Alpha:
                return alpha(field, data, recno);
            case ParadoxType::Short: {
                short number = 0;
                return PX_get_data_short(doc_.get(), data, field.length, &number) > 0
                           ? Variant(static_cast<std::int32_t>(number))
                           : Variant();
            }
            case ParadoxType::Long:
            case ParadoxType::AutoInc: {
                long number = 0;
                return PX_get_data_long(doc_.get(), data, field.length, &number) > 0
                           ? Variant(static_cast<std::int32_t>(number))
                           : Variant();
            }
            case ParadoxType::Date: {
                long days = 0;
                return PX_get_data_long(doc_.get(), data, field.length, &days) > 0
                           ? Variant::date(static_cast<double>(days - kDateOffset))
                           : Variant();
            }
            case ParadoxType::Number:
            case ParadoxType::Currency: {
                double number = 0;
                return PX_get_data_double(doc_.get(), data, field.length, &number) > 0
                           ? Variant(number)
                           : Variant();
            }
            case ParadoxType::Logical: {
                char flag = 0;
                return PX_get_data_byte(doc_.get(), data, field.length, &flag) > 0
                           ? Variant(flag != 0)
                           : Variant();
            }
            case ParadoxType::Other:
                break;
        }
        return {};
    }

    Variant alpha(const ParadoxField& field, char* data, int recno) const {
        const auto* end = static_cast<const char*>(std::memchr(data, 0, field.length));
        const std::string_view bytes(data, end ? static_cast<std::size_t>(end - data)
                                               : static_cast<std::size_t>(field.length));
        return Variant(
            text(bytes, "поле \"" + field.name + "\" записи " + std::to_string(recno + 1)));
    }

    static std::string text(std::string_view bytes, const std::string& where) {
        if (bytes.find(static_cast<char>(kUndefinedCp1251)) != std::string_view::npos)
            throw ParadoxError("Текст в таблице Paradox не в кодировке Windows-1251 (" + where +
                               ")");
        return platform::cp1251ToUtf8(bytes);
    }

    Document& doc_;
    int recordSize_ = 0;
};

ParadoxTable ParadoxTable::parse(std::string_view bytes) {
    if (bytes.empty())
        throw ParadoxError(damaged("файл пуст"));
    // fmemopen only reads through a non-const buffer; the copy keeps the caller's text intact.
    std::string copy(bytes);
    File stream(fmemopen(copy.data(), copy.size(), "rb"));
    if (!stream)
        throw ParadoxError("Недостаточно памяти для чтения таблицы Paradox");
    LayoutCheck(bytes).run();
    Document doc;
    if (PX_open_fp(doc.get(), stream.get()) < 0) {
        doc.openFailed();
        throw ParadoxError(damaged("заголовок не читается"));
    }
    doc.opened();
    return ParadoxReader(doc).read();
}

ParadoxTable ParadoxTable::read(const fs::path& file) {
    std::error_code error;
    const auto size = fs::file_size(file, error);
    if (error)
        throw ParadoxError("Файл не найден");
    if (size > kLargestTable)
        throw ParadoxError(damaged("файл слишком велик"));
    std::ifstream in(file, std::ios::binary);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    if (!in || !in.read(bytes.data(), static_cast<std::streamsize>(bytes.size())))
        throw ParadoxError("Файл не читается");
    return parse(bytes);
}

std::optional<std::size_t> ParadoxTable::fieldIndex(std::string_view name) const {
    for (std::size_t i = 0; i < fields_.size(); ++i)
        if (platform::equalsIgnoreCase(fields_[i].name, name))
            return i;
    return std::nullopt;
}

namespace {

// pxlib takes the field array, and the names in it, as its own and frees them with the
// document: both come from malloc, and are ours until pxlib has them.
class FieldArray {
public:
    explicit FieldArray(const std::vector<ParadoxField>& fields)
        : count_(fields.size()),
          array_(static_cast<pxfield_t*>(std::calloc(fields.size(), sizeof(pxfield_t)))) {
        if (!array_)
            throw std::bad_alloc();
        for (std::size_t i = 0; i < count_; ++i) {
            array_[i].px_ftype = codeOf(fields[i].type);
            const int fixed = fixedLength(fields[i].type);
            array_[i].px_flen = fixed ? fixed : fields[i].length;
            array_[i].px_fname = strdup(platform::utf8ToCp1251(fields[i].name).c_str());
            if (!array_[i].px_fname)
                throw std::bad_alloc();
        }
    }
    ~FieldArray() {
        if (!array_)
            return;
        for (std::size_t i = 0; i < count_; ++i)
            std::free(array_[i].px_fname);
        std::free(array_);
    }
    FieldArray(const FieldArray&) = delete;
    FieldArray& operator=(const FieldArray&) = delete;

    // Handed to pxlib, which owns it from then on.
    pxfield_t* release() { return std::exchange(array_, nullptr); }

private:
    std::size_t count_;
    pxfield_t* array_;
};

class RecordWriter {
public:
    RecordWriter(Document& doc, const std::vector<ParadoxField>& fields)
        : doc_(doc), fields_(fields), record_(static_cast<std::size_t>(recordSize())) {}

    void write(const std::vector<Variant>& values) {
        if (values.size() != fields_.size())
            throw ParadoxError("Число значений записи не равно числу полей таблицы");
        std::fill(record_.begin(), record_.end(), '\0');
        char* data = record_.data();
        for (std::size_t i = 0; i < fields_.size(); ++i) {
            const int length =
                fixedLength(fields_[i].type) ? fixedLength(fields_[i].type) : fields_[i].length;
            if (!values[i].isEmpty())
                put(fields_[i], length, data, values[i]);
            data += length;
        }
        if (PX_put_record(doc_.get(), record_.data()) < 0)
            throw ParadoxError("Запись не добавлена в таблицу Paradox");
    }

private:
    int recordSize() const {
        int size = 0;
        for (const ParadoxField& field : fields_)
            size += fixedLength(field.type) ? fixedLength(field.type) : field.length;
        return size;
    }

    void put(const ParadoxField& field, int length, char* data, const Variant& value) {
        switch (field.type) {
            case ParadoxType::Alpha: {
                std::string bytes = platform::utf8ToCp1251(value.toString());
                if (bytes.size() > static_cast<std::size_t>(length))
                    throw ParadoxError("Текст не помещается в поле \"" + field.name + "\"");
                std::memcpy(data, bytes.data(), bytes.size());
                return;
            }
            case ParadoxType::Short:
                PX_put_data_short(doc_.get(), data, length, static_cast<short>(value.toInt()));
                return;
            case ParadoxType::Long:
            case ParadoxType::AutoInc:
                PX_put_data_long(doc_.get(), data, length, value.toInt());
                return;
            case ParadoxType::Date:
                PX_put_data_long(
                    doc_.get(), data, length,
                    static_cast<int>(static_cast<long>(value.toDouble()) + kDateOffset));
                return;
            case ParadoxType::Number:
            case ParadoxType::Currency:
                PX_put_data_double(doc_.get(), data, length, value.toDouble());
                return;
            case ParadoxType::Logical:
                PX_put_data_byte(doc_.get(), data, length, value.toBool() ? 1 : 0);
                return;
            case ParadoxType::Other:
                break;
        }
    }

    Document& doc_;
    const std::vector<ParadoxField>& fields_;
    std::vector<char> record_;
};

// The table under its working name; the document is closed, and the file complete, on return.
void writeTable(const fs::path& file, const std::string& tableName,
                const std::vector<ParadoxField>& fields,
                const std::vector<std::vector<Variant>>& records) {
    Document doc;
    FieldArray array(fields);
    if (PX_create_file(doc.get(), array.release(), static_cast<int>(fields.size()), file.c_str(),
                       pxfFileTypNonIndexDB) < 0)
        throw ParadoxError("Таблица не создается: " + file.string());
    doc.opened();
    // The header names the table; without it pxlib writes the working file's whole path.
    PX_set_parameter(doc.get(), "tablename", tableName.c_str());
    PX_set_value(doc.get(), "codepage", 1251);
    RecordWriter writer(doc, fields);
    for (const std::vector<Variant>& values : records)
        writer.write(values);
}

}  // namespace

void writeParadoxTable(const fs::path& file, const std::vector<ParadoxField>& fields,
                       const std::vector<std::vector<Variant>>& records) {
    if (fields.empty())
        throw ParadoxError("Таблица Paradox без полей не записывается");
    fs::path part = file;
    part += ".part";
    std::error_code error;
    try {
        writeTable(part, platform::utf8ToCp1251(file.stem().string()), fields, records);
    } catch (const std::exception&) {
        fs::remove(part, error);
        throw;
    }
    fs::rename(part, file, error);
    if (error) {
        fs::remove(part, error);
        throw ParadoxError("Таблица не записывается: " + file.string());
    }
}

}  // namespace kvt::data
