-- Fills an empty station database (station_schema.sql, station_optional.sql) with @SALES@
-- generated sales for benchmarks: 250 sales per twelve-hour shift from 1 January 2023, a cash
-- receipt for every second sale, a discount for every tenth, tank and nozzle rows, two tank
-- events per tank and one fuel receipt (with its tank line) per shift.
-- @SALES@ is replaced by the generator before isql-fb runs the script.
SET TERM ^ ;
EXECUTE BLOCK AS
  DECLARE n INTEGER = @SALES@;
  DECLARE i INTEGER = 0;
  DECLARE sm INTEGER;
  DECLARE k INTEGER;
  DECLARE j INTEGER;
  DECLARE t SMALLINT;
  DECLARE lit NUMERIC(15, 3);
  DECLARE price NUMERIC(15, 2);
  DECLARE fuel VARCHAR(30);
  DECLARE stamp TIMESTAMP;
  DECLARE origin TIMESTAMP = '2023-01-01 08:00:00';
BEGIN
  sm = 0;
  WHILE (sm * 250 < n) DO
  BEGIN
    stamp = DATEADD(sm * 12 HOUR TO origin);
    INSERT INTO SMLOG (SMNUM, BEGTIME, ENDTIME, OPERATOR)
      VALUES (:sm + 1, :stamp, DATEADD(-1 MILLISECOND TO DATEADD(12 HOUR TO :stamp)),
              IIF(MOD(:sm, 2) = 0, 'Иванова Мария Петровна', 'Кузнецов Олег Игоревич'));
    k = 0;
    WHILE (k < 4) DO
    BEGIN
      fuel = DECODE(k, 0, 'АИ-92', 1, 'АИ-95', 2, 'ДТ Евро', 'АИ-95 Премиум');
      INSERT INTO SMSILO (SMNUM, SILONUM, SILONAME, GSMNAME, KODGSM, SILOENDL, UDVES, MAXVOLUME,
                          SILOEND, SILOENDCALCL, SILOENDCALCREVL)
        VALUES (:sm + 1, :k, 'Резервуар ' || (:k + 1), :fuel, 90 + :k, 12000 - MOD(:sm * 37, 5000),
                0.745, 25000, 1500.5, 11990.5, 11995.5);
      INSERT INTO SMTRK (SMNUM, TRKINDEX, PISTOLET, GSMNAME, SILONUM, GSMPRICE, TRKBEG, TRKEND,
                         TRKSMENA, TRKSMENAM, BEGELCOUNTER, ENDELCOUNTER)
        VALUES (:sm + 1, 1 + :k / 2, 1 + MOD(:k, 2), :fuel, :k, 55.10, :sm * 900.0, :sm * 900.0 + 900,
                900, 49590, :sm * 901.0, :sm * 901.0 + 901);
      j = 0;
      WHILE (j < 2) DO
      BEGIN
        INSERT INTO LSILO (NAME, DATA, SILONUM, GSMNAME, EVENTCODE, EVENTNAME, "LEVEL", LITER,
                           TEMPER, PLOTN)
          VALUES ('Резервуар ' || (:k + 1), DATEADD(:j * 21600 + :k * 60 + 30 SECOND TO :stamp),
                  :k, :fuel, 1 + :j, IIF(:j = 0, 'Начало слива', 'Конец слива'),
                  1500.5 + :j, 12000 - :j * 10.5, 14.5, 0.7451);
        j = j + 1;
      END
      k = k + 1;
    END
    fuel = DECODE(MOD(sm, 4), 0, 'АИ-92', 1, 'АИ-95', 2, 'ДТ Евро', 'АИ-95 Премиум');
    INSERT INTO PRX (OPNUM, SMNUM, "DATE", BEGTIME, ENDTIME, PRIM, GSMNAME, SILONAME, CARVOLTTN,
                     UDVES, TEMPER, FACT1, FACTPLOTN, CARVOLFACT, CARUDVESFACT, CARTEMPERFACT,
                     CARNAME, PRIHOD, CONTR_ID, TTNDATA, TTNNUM, NAMESLIV)
      VALUES (:sm + 1, :sm + 1, DATEADD(3 HOUR TO :stamp), DATEADD(3 HOUR TO :stamp),
              DATEADD(4 HOUR TO :stamp), 'Накладная ' || (:sm + 1), :fuel,
              'Резервуар ' || (MOD(:sm, 4) + 1), 20000.000, 0.7450, 12.5, 19950.000, 0.7452,
              19980.000, 0.7449, 11.5, 'МАЗ А123ВС 77', IIF(MOD(:sm, 10) = 9, 0, 1), 12,
              CAST(:stamp AS DATE), 'ТТН-' || (:sm + 1), 'Площадка слива 1');
    INSERT INTO PRXSILO (OPNUM, SILONUM, BEGTIME, ENDTIME, FACTL, FACTPLOTN)
      VALUES (:sm + 1, MOD(:sm, 4) + 1, DATEADD(3 HOUR TO :stamp), DATEADD(4 HOUR TO :stamp),
              19948.500, 0.7453);
    sm = sm + 1;
  END
  WHILE (i < n) DO
  BEGIN
    t = MOD(i, 4);
    fuel = DECODE(t, 0, 'АИ-92', 1, 'АИ-95', 2, 'ДТ Евро', 'АИ-95 Премиум');
    price = DECODE(t, 0, 52.40, 1, 57.85, 2, 64.10, 61.30);
    lit = 5 + MOD(i * 7, 60) + MOD(i, 1000) / 1000.0;
    stamp = DATEADD(CAST(i AS BIGINT) * 172800 MILLISECOND TO origin);
    INSERT INTO LOGTRAN (INDEXSALE, DATA, POKUPATEL, VIDOPL, GSMNAME, KODGSM, LITER, GSMPRICE,
                         BASEPRICE, SUMMA, PLOTN, INN, IDCNT, IDCAR, IDDRV, PLISTNUM, KA,
                         SILONUM, ID2CNT, TRKNUM, TRKDENSITY)
      VALUES (:i + 1, :stamp, IIF(MOD(:i, 5) = 0, 'ООО "Транспортная компания Север"', 'Наличные'),
              IIF(MOD(:i, 5) = 0, 104, 1), :fuel, 90 + :t, :lit, :price, :price, :lit * :price,
              0.7453, IIF(MOD(:i, 5) = 0, '7701234567', NULL), IIF(MOD(:i, 5) = 0, '12', NULL),
              '315', '7', 'ПЛ-' || :i, MOD(:i, 5) = 0, :t, NULL, 1 + :t / 2, 0.7449);
    IF (MOD(i, 2) = 0) THEN
      INSERT INTO BCHECK (ID, DATA, GSM, KOLVO, PRICE, SUMMA, VIDOPL, CLIENT, INDEXSALE, KKM)
        VALUES (:i / 2 + 1, DATEADD(20 SECOND TO :stamp), :fuel, :lit, :price, :lit * :price, 1,
                MOD(:i, 9), :i + 1, MOD(:i, 2));
    IF (MOD(i, 10) = 0) THEN
      INSERT INTO LOGTRANDSC (ID, INDEXSALE, DSCNAME, DSCTYPE, DSCPARAM, DSCVAL, DSCVALTYPE)
        VALUES (:i / 10 + 1, :i + 1, 'Скидка по карте', 1, '7001000012345678', 1.50, 1);
    i = i + 1;
  END
END^
SET TERM ; ^
COMMIT;
INSERT INTO VDDRIVER (ID, NAME) VALUES ('7', 'Петров Иван Николаевич');
INSERT INTO VDCONTRACTOR (ID, NAME) VALUES ('12', 'ООО "Транспортная компания Север"');
INSERT INTO CONTRAGENT (CONTR_ID, NAME, INN) VALUES (12, 'ООО "Транспортная компания Север"', '7701234567');
COMMIT;
