-- Adds @CARDS@ generated discount cards to the office database (after office.sql), for
-- benchmarks. @CARDS@ is replaced by the generator before isql-fb runs the script.
SET TERM ^ ;
EXECUTE BLOCK AS
  DECLARE n INTEGER = @CARDS@;
  DECLARE i INTEGER = 0;
BEGIN
  WHILE (i < n) DO
  BEGIN
    INSERT INTO DSCCARDS (CARDNUM, KVRNAME, GSM, DISCOUNT, CARDLIMIT, ISSUED, LASTUSE, BLOCKED)
      VALUES ('8001' || LPAD(:i, 12, '0'), 'Владелец карты № ' || (:i + 1),
              DECODE(MOD(:i, 4), 0, 'АИ-92', 1, 'АИ-95', 2, 'ДТ Евро', NULL),
              MOD(:i, 7) + 0.50, IIF(MOD(:i, 3) = 0, NULL, 10000.00 + :i),
              DATEADD(MOD(:i, 1500) DAY TO DATE '2020-01-01'),
              DATEADD(CAST(:i AS BIGINT) * 3001 SECOND TO TIMESTAMP '2023-01-01 08:00:00'),
              IIF(MOD(:i, 50) = 0, 1, 0));
    i = i + 1;
  END
END^
SET TERM ; ^
COMMIT;
