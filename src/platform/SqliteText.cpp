#include "platform/SqliteText.h"

#include <sqlite3.h>

namespace kvt::platform {

namespace {

const char* russianText(int primaryCode) {
    switch (primaryCode) {
        case SQLITE_PERM:
        case SQLITE_AUTH:
            return "нет прав доступа к базе данных";
        case SQLITE_ABORT:
        case SQLITE_INTERRUPT:
            return "операция с базой данных прервана";
        case SQLITE_BUSY:
            return "база данных занята другим процессом";
        case SQLITE_LOCKED:
            return "таблица базы данных заблокирована";
        case SQLITE_NOMEM:
            return "недостаточно памяти";
        case SQLITE_READONLY:
            return "база данных доступна только для чтения";
        case SQLITE_IOERR:
            return "ошибка чтения или записи файла базы данных";
        case SQLITE_CORRUPT:
            return "файл базы данных поврежден";
        case SQLITE_FULL:
            return "диск переполнен";
        case SQLITE_CANTOPEN:
            return "не удалось открыть файл базы данных";
        case SQLITE_PROTOCOL:
            return "не удалось заблокировать файл базы данных";
        case SQLITE_TOOBIG:
            return "слишком большое значение";
        case SQLITE_CONSTRAINT:
            return "нарушено ограничение целостности базы данных";
        case SQLITE_MISMATCH:
            return "несоответствие типа данных";
        case SQLITE_NOTADB:
            return "файл не является базой данных";
        default:
            return nullptr;
    }
}

std::string textOf(int resultCode, const char* sqliteText) {
    if (const char* text = russianText(resultCode & 0xff))
        return text;
    return std::string("ошибка базы данных: ") + sqliteText;
}

}  // namespace

std::string sqliteErrorText(int resultCode) {
    return textOf(resultCode, sqlite3_errstr(resultCode));
}

std::string sqliteErrorText(sqlite3* db) {
    return textOf(sqlite3_extended_errcode(db), sqlite3_errmsg(db));
}

}  // namespace kvt::platform
