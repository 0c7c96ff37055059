// Connects to the PostgreSQL server a libpq connection string names, asks it
// for its version and prints that and the connection's TLS protocol and cipher.
// A connection or query that fails prints libpq's message and ends with status 1.
//   darvell-pqprobe CONNINFO
#include <libpq-fe.h>

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: darvell-pqprobe CONNINFO\n");
        return 2;
    }
    PGconn *conn = PQconnectdb(argv[1]);
    int status = 1;
    if (PQstatus(conn) != CONNECTION_OK) {
        std::fprintf(stderr, "no connection: %s", PQerrorMessage(conn));
    } else if (PGresult *result = PQexec(conn, "SELECT version()"); PQresultStatus(result) != PGRES_TUPLES_OK) {
        std::fprintf(stderr, "query failed: %s", PQerrorMessage(conn));
        PQclear(result);
    } else {
        const char *protocol = PQsslInUse(conn) ? PQsslAttribute(conn, "protocol") : nullptr;
        const char *cipher = PQsslInUse(conn) ? PQsslAttribute(conn, "cipher") : nullptr;
        std::printf("server: %s\nTLS: %s %s\n", PQgetvalue(result, 0, 0), protocol ? protocol : "none",
                    cipher ? cipher : "");
        PQclear(result);
        status = 0;
    }
    PQfinish(conn);
    return status;
}
