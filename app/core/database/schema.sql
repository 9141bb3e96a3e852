-- The empty database of an installation. Dates are ISO 8601 text, which sorts as text:
-- FIngreso "yyyy-MM-dd", Fecha "yyyy-MM-dd HH:mm:ss".
-- AUTOINCREMENT keeps a deleted client's key from ever being given again: its calls stay in
-- Llamadas and would otherwise show up under the new client.
PRAGMA user_version = 1;

CREATE TABLE Clientes (
    IdCliente INTEGER PRIMARY KEY AUTOINCREMENT,
    Nombre TEXT CHECK (Nombre IS NULL OR length(Nombre) <= 50),
    Domicilio TEXT CHECK (Domicilio IS NULL OR length(Domicilio) <= 50),
    Telefono TEXT CHECK (Telefono IS NULL OR length(Telefono) <= 20),
    Observaciones TEXT CHECK (Observaciones IS NULL OR length(Observaciones) <= 200),
    Alerta INTEGER NOT NULL DEFAULT 0 CHECK (Alerta IN (0, 1)),
    CantLlamadas INTEGER DEFAULT 0,
    FIngreso TEXT CHECK (FIngreso IS NULL OR
        FIngreso GLOB '[0-9][0-9][0-9][0-9]-[0-1][0-9]-[0-3][0-9]')
);
CREATE INDEX Telefono ON Clientes (Telefono);

-- Cliente refers to Clientes.IdCliente; not enforced, so deleting a client leaves its calls.
CREATE TABLE Llamadas (
    IdLlamada INTEGER PRIMARY KEY AUTOINCREMENT,
    Cliente INTEGER,
    Fecha TEXT CHECK (Fecha IS NULL OR Fecha GLOB
        '[0-9][0-9][0-9][0-9]-[0-1][0-9]-[0-3][0-9] [0-2][0-9]:[0-5][0-9]:[0-5][0-9]'),
    Puesto INTEGER
);
CREATE INDEX Fecha ON Llamadas (Fecha);
CREATE INDEX Cliente ON Llamadas (Cliente);
CREATE INDEX PuestoFecha ON Llamadas (Puesto, Fecha);
